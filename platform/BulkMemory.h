#pragma once
// Arrays of hundreds of megabytes (a raster's pixels and cell values) taken
// straight from the kernel. Its pages arrive zero-filled, so elements are
// left default-initialised instead of being zeroed a second time, and large
// blocks ask for huge pages, which cuts the page faults of the first touch
// several hundredfold. Small blocks, and every block in sanitizer builds (so
// the sanitizers keep watching them), come from operator new and are zeroed.
#include <cstddef>
#include <new>
#include <vector>

// Zero-filled storage for `bytes` bytes; raises std::bad_alloc.
void* BulkAllocate(std::size_t bytes);
void BulkFree(void* block, std::size_t bytes) noexcept;

template <class T>
struct TBulkAllocator {
    using value_type = T;

    TBulkAllocator() = default;
    template <class U>
    TBulkAllocator(const TBulkAllocator<U>&) noexcept {}

    T* allocate(std::size_t n)
    {
        if (n > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(BulkAllocate(n * sizeof(T)));
    }
    void deallocate(T* block, std::size_t n) noexcept { BulkFree(block, n * sizeof(T)); }

    // Default-initialisation keeps the zeros of fresh storage. Elements that a
    // vector regrows into within its old capacity keep their old contents.
    template <class U>
    void construct(U* p) noexcept
    {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args)
    {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }

    friend bool operator==(const TBulkAllocator&, const TBulkAllocator&) noexcept { return true; }
};

// A vector whose resize from empty yields zeros without writing them.
template <class T>
using TBulkVector = std::vector<T, TBulkAllocator<T>>;
