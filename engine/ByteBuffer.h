// Owned byte blocks: ByteBuffer (encoded images, music; part of documents)
// and Buffer (a screen-size pixel block an effect reads the back buffer into).
#pragma once

#include <cstdint>
#include <cstdio>

#include "IWritable.h"

class ByteBuffer : public IWritable {
public:
    uint8_t* data = nullptr;  // allocated with the C allocator
    uint64_t length = 0;      // byte count

    // Copies length bytes; a null pointer with length 0 gives an empty buffer.
    ByteBuffer(const void* bytes, uint64_t length);
    explicit ByteBuffer(JSON& value);  // base64 text; see DocumentJSON.cpp
    explicit ByteBuffer(FILE* file);   // package Bytes; see Package.cpp
    virtual ~ByteBuffer();

    JSON ToJSON() const override;
    void Write(FILE* file) const override;

    ByteBuffer(const ByteBuffer&) = delete;
    ByteBuffer& operator=(const ByteBuffer&) = delete;
};

class Buffer {
public:
    uint8_t* bytes = nullptr;  // size bytes, zero-filled
    int64_t size = 0;          // screen width * height * 4 when made

    Buffer();
    virtual ~Buffer();

    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
};
