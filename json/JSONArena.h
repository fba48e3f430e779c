// JSONArena: where the reader carves the blocks of the Arrays and Objects it
// makes. For the JSON value type's own files; callers use JSON.h.
//
// A parse makes one small block per Object or Array; taking each from the
// heap cost as much as reading the text around it. The arena takes chunks
// from the heap instead and hands out their bytes in order. A chunk lives
// until the last block carved from it is released, wherever and on whatever
// thread the values have gone by then, so a chunk counts its live blocks
// atomically. A block that grows hands its pointers on to a heap block of its
// own but keeps its place in the chunk, since its entries stay where they are
// until their container releases them.
#pragma once

#include "JSON.h"

#include <atomic>
#include <cstddef>

// The head of a chunk; the blocks follow it.
struct JSON::ArenaChunk {
    // Blocks not yet released, plus kCarving while an arena carves from it:
    // the count cannot reach zero before the arena knows how many it made.
    std::atomic<size_t> live;

    static constexpr size_t kCarving = size_t(1) << (sizeof(size_t) * 8 - 2);
    // Releases one block; the last one frees the chunk.
    static void ReleaseBlock(ArenaChunk* chunk);
};

class JSON::Arena {
public:
    static constexpr size_t kChunkBytes = 64 * 1024;
    // Larger blocks (long arrays, say) come from the heap one by one.
    static constexpr size_t kLargestCarved = 4 * 1024;

    Arena() = default;
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;
    ~Arena() { Retire(); }

    // bytes of memory aligned for any entry, and the chunk they belong to
    // (null when they are a heap block of their own).
    void* Carve(size_t bytes, ArenaChunk*& chunk);

private:
    // Stops carving from the current chunk: its count becomes the number of
    // its blocks still alive, and it is freed at once when that is none.
    void Retire();

    ArenaChunk* chunk_ = nullptr;  // the chunk being carved, if any
    char* next_ = nullptr;         // its first free byte
    char* end_ = nullptr;          // its end
    size_t carved_ = 0;            // blocks carved from it so far
};
