// ErrorLog: collects what is written to std::cerr while it lives, so tests
// can check the JSON reader's messages line by line.
#pragma once

#include <iostream>
#include <sstream>
#include <string>
#include <vector>

class ErrorLog {
public:
    ErrorLog() : previous_(std::cerr.rdbuf(buffer_.rdbuf())) {}
    ~ErrorLog() { std::cerr.rdbuf(previous_); }
    ErrorLog(const ErrorLog&) = delete;
    ErrorLog& operator=(const ErrorLog&) = delete;

    // Everything written so far.
    std::string Text() const { return buffer_.str(); }

    // The lines written so far, each without its line feed.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::string text = Text();
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            lines.push_back(text.substr(start, end - start));
        if (start < text.size())
            lines.push_back(text.substr(start));
        return lines;
    }

private:
    std::ostringstream buffer_;
    std::streambuf* previous_;
};
