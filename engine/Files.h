// Whole-file reads and writes, and the length-prefixed String of the package.
// Every path is a document path: backslashes are opened as '/' on POSIX.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// Opens the file for reading, at its start, with its length in bytes stored
// through length; null when it cannot be opened or read, with the reason in
// error when error is not null: the system's ("No such file or directory",
// "Is a directory") where it gives one, and "it is not a regular file" for a
// FIFO, a device or a socket, which are never waited on.
FILE* OpenForReading(const std::string& path, long* length, std::string* error = nullptr);
// The whole file followed by one zero byte (release with free), its length
// stored through size; null and size 0 when the file cannot be opened or
// read, or is 4 GiB or larger, with the reason in error when error is not
// null, as OpenForReading gives it.
char* ReadWholeFile(const char* path, uint32_t* size = nullptr, std::string* error = nullptr);
// The whole file read once, straight into bytes (no zero byte added); false
// (bytes empty) as ReadWholeFile fails, with its reasons.
bool ReadWholeFileInto(const std::string& path, std::string* bytes, std::string* error = nullptr);
// Replaces the file with length bytes, or creates it: written to a temporary
// file first, synced to the disk, then renamed over the file, so a failure
// or a power cut leaves the old file whole. A symbolic link is written
// through (the link stays), and the new file keeps the old one's permission
// bits. A file the user may not write is refused as a direct write would
// be ("Permission denied"), and left as it is. The temporary file is made
// new in the folder of the file the links lead to, under a short random name
// (".velmara-save-" and six characters) at which nothing stands (nothing
// standing at a name is opened or followed; a taken name means another), with
// those bits from the start, or 0666 less the umask for a new file.
// False on failure, with the system's reason in error ("No such file or
// directory") when error is not null. True once the file is replaced; when
// its folder could then not be synced, note (when not null) says so: "the
// folder could not be synced: <reason>", and is "" otherwise.
bool WriteWholeFile(const char* path, const void* data, uint64_t length, std::string* error = nullptr,
                    std::string* note = nullptr);
// A u64 little-endian length, then the bytes. "" when the file ends early
// (use ReadStringChecked to tell that apart from an empty String).
std::string ReadString(FILE* file);
// Reads one String into text; false (text empty) when the file ends before
// the length or the bytes. Never allocates much more than the file holds.
bool ReadStringChecked(FILE* file, std::string& text);
// Writes the u64 length and the bytes; the stream's error flag tells of a
// failed write.
void WriteString(const std::string& text, FILE* file);
