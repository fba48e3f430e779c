// Whole-file reads and writes, and the length-prefixed String of the package.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

// The whole file followed by one zero byte (release with free), its length
// stored through size; null and size 0 when the file cannot be read.
char* ReadWholeFile(const char* path, uint32_t* size = nullptr);
// Replaces the file with length bytes: written to a temporary file first,
// then renamed, so a failure leaves the old file in place. False on failure.
bool WriteWholeFile(const char* path, const void* data, uint64_t length);
// A u64 little-endian length, then the bytes.
std::string ReadString(FILE* file);
void WriteString(const std::string& text, FILE* file);
