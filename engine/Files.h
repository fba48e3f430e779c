// Whole-file reads and writes, and the length-prefixed String of the package.
// Every path is a document path: backslashes are opened as '/' on POSIX.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Opens the file for reading, at its start, with its length in bytes stored
// through length; null when it cannot be opened or read (a directory opens
// on POSIX but fails the first read), with the reason in error when error is
// not null: the system's ("No such file or directory", "Is a directory")
// where it gives one.
FILE* OpenForReading(const std::string& path, long* length, std::string* error = nullptr);
// The whole file followed by one zero byte (release with free), its length
// stored through size; null and size 0 when the file cannot be opened or
// read, or is 4 GiB or larger, with the reason in error when error is not
// null: the system's ("No such file or directory", "Is a directory") where
// it gives one.
char* ReadWholeFile(const char* path, uint32_t* size = nullptr, std::string* error = nullptr);
// Replaces the file with length bytes: written to a temporary file first,
// then renamed, so a failure leaves the old file in place. A symbolic link is
// written through (the link stays), and the new file keeps the old one's
// permission bits. The temporary file is made new beside the target, under
// the first of a bounded number of names at which nothing stands (nothing
// standing at a name is opened or followed), with those bits from the start.
// False on failure, with the system's reason in error ("No such file or
// directory") when error is not null.
bool WriteWholeFile(const char* path, const void* data, uint64_t length, std::string* error = nullptr);
// A u64 little-endian length, then the bytes. "" when the file ends early
// (use ReadStringChecked to tell that apart from an empty String).
std::string ReadString(FILE* file);
// Reads one String into text; false (text empty) when the file ends before
// the length or the bytes. Never allocates much more than the file holds.
bool ReadStringChecked(FILE* file, std::string& text);
// Writes the u64 length and the bytes; the stream's error flag tells of a
// failed write.
void WriteString(const std::string& text, FILE* file);
