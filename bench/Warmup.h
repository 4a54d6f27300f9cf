#pragma once
// What a benchmark that reads "from the page cache" does untimed first, so
// that it times the program rather than this machine: its files read once
// right before (cold file pages are given back early here), and huge pages
// of the size it is about to fill touched once and freed. This virtual
// machine hands its free huge pages back to its host, and the first touch
// of one it has to take back costs about 2 ms: up to half a second for a
// 200 MB raster, at random.
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "platform/BulkMemory.h"

inline void WarmPageCache(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::vector<char> buffer(1 << 22);
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
    }
}

// Best effort: under an address-space limit there may be no room for it.
inline void WarmFreshMemory(std::size_t bytes)
{
    void* block = nullptr;
    try {
        block = BulkAllocate(bytes);
    } catch (const std::bad_alloc&) {
        return;
    }
    std::memset(block, 1, bytes);
    // Kept from being left out as a store nobody reads.
    asm volatile("" : : "r"(block) : "memory");
    BulkFree(block, bytes);
}
