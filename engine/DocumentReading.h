// Checked reading of documents. The document constructors cannot fail by
// themselves, so a load opens a scope for the duration of one document's
// construction: the package scope bounds every read by the bytes the package
// still holds, the JSON scope collects what could not be decoded. After the
// constructor returns, the load asks the scope whether the document is
// complete and throws it away otherwise.
//
// Reads of a package outside any scope are still bounded, by the bytes left
// between the file position and the end of the file; nobody learns of their
// failure, so loads always open a scope.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

class PackageReadScope {
public:
    // Reads from file are allowed length bytes from its current position.
    PackageReadScope(FILE* file, uint64_t length);
    ~PackageReadScope();

    bool Failed() const { return failed_; }          // a read was refused or short
    uint64_t Remaining() const { return remaining_; }  // bytes of the package not yet read
    const std::string& Error() const { return error_; }  // the first failure; "" when none

    PackageReadScope(const PackageReadScope&) = delete;
    PackageReadScope& operator=(const PackageReadScope&) = delete;

private:
    friend struct PackageReading;
    FILE* file_;
    uint64_t remaining_;
    bool failed_ = false;
    std::string error_;
    PackageReadScope* outer_;  // the scope that was current before this one
};

class JSONReadScope {
public:
    JSONReadScope();
    ~JSONReadScope();

    bool Failed() const { return failed_; }              // some content could not be decoded
    const std::string& Error() const { return error_; }  // the first failure; "" when none

    // Records a failure in the current scope, or prints it on stderr when no
    // scope is open.
    static void Fail(const std::string& error);

    JSONReadScope(const JSONReadScope&) = delete;
    JSONReadScope& operator=(const JSONReadScope&) = delete;

private:
    bool failed_ = false;
    std::string error_;
    JSONReadScope* outer_;
};
