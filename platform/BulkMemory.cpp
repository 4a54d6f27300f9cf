#include "platform/BulkMemory.h"

#include <cstdint>
#include <cstring>
#include <sys/mman.h>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr std::size_t kHugePage = std::size_t(2) << 20;
// Below this, a mapping of its own costs more than it saves.
constexpr std::size_t kMappedFrom = std::size_t(1) << 20;

bool UsesMapping(std::size_t bytes)
{
    return !kSanitized && bytes >= kMappedFrom;
}

std::size_t RoundUpToHugePage(std::size_t bytes)
{
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

} // namespace

void* BulkAllocate(std::size_t bytes)
{
    if (!UsesMapping(bytes)) {
        void* block = ::operator new(bytes == 0 ? 1 : bytes);
        std::memset(block, 0, bytes);
        return block;
    }
    // Map a huge page more than needed, keep the aligned middle and give the
    // ends back: huge pages need aligned addresses.
    std::size_t size = RoundUpToHugePage(bytes);
    if (size < bytes || size + kHugePage < size) throw std::bad_alloc();
    void* mapped = ::mmap(nullptr, size + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    auto start = reinterpret_cast<std::uintptr_t>(mapped);
    std::uintptr_t aligned = (start + kHugePage - 1) & ~(std::uintptr_t(kHugePage) - 1);
    if (aligned > start) ::munmap(mapped, aligned - start);
    std::size_t tail = (start + size + kHugePage) - (aligned + size);
    if (tail > 0) ::munmap(reinterpret_cast<void*>(aligned + size), tail);
    // Only a hint: without transparent huge pages the block still works.
    ::madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void BulkFree(void* block, std::size_t bytes) noexcept
{
    if (!block) return;
    if (!UsesMapping(bytes)) {
        ::operator delete(block);
        return;
    }
    ::munmap(block, RoundUpToHugePage(bytes));
}
