// Base64 codec: byte buffers travel inside JSON strings as base64 text.
//
// Two alphabets: standard (RFC 4648 section 4, '=' padding) and URL-safe
// (section 5, but padded with '.'). The decoder reads both, even mixed, and
// throws std::runtime_error("Input is not valid base64-encoded data.") on a
// character outside both alphabets or a lone final character; it is the only
// code in Velmara that throws.
#pragma once

#include <cstddef>
#include <string>

// The base64 text of length bytes: (length + 2) / 3 * 4 characters, no line breaks.
std::string Base64Encode(const unsigned char* bytes, size_t length, bool url = false);
std::string Base64Encode(const std::string& bytes, bool url = false);
// Standard alphabet with a line feed after every 64 characters.
std::string Base64EncodePem(const std::string& bytes);
// Standard alphabet with a line feed after every 76 characters.
std::string Base64EncodeMime(const std::string& bytes);
// The decoded bytes; with remove_linebreaks, line feeds (only they) are
// dropped first. Throws on a character outside both alphabets in a place that
// needs a value, or a lone final character.
std::string Base64Decode(const std::string& text, bool remove_linebreaks = false);
// The 6-bit value of a character of either alphabet; throws for any other.
unsigned Base64CharIndex(unsigned char c);
// text with a line feed after every distance characters (none after the last
// line); a distance of 0 keeps the text as it is.
std::string Base64InsertLineBreaks(std::string text, size_t distance);
