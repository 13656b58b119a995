#include "TidyBlockPool.h"

#include <QtGlobal>
#include <bit>
#include <cstdlib>
#include <cstring>

// Before each block: how many bytes it holds, and its neighbours among the
// pool's blocks. Thirty-two bytes keep the block as aligned as malloc's own.
struct alignas(16) TidyBlockPool::Header {
    std::size_t capacity;
    Header* previous;
    Header* next;
};

TidyBlockPool::Header* TidyBlockPool::headerOf(void* block)
{
    return static_cast<Header*>(block) - 1;
}

TidyBlockPool::TidyBlockPool()
{
    static const TidyAllocatorVtbl calls = {&allocateCall, &reallocateCall, &releaseCall,
                                            &panicCall};
    m_allocator.base.vtbl = &calls;
    m_allocator.pool = this;
}

TidyBlockPool::~TidyBlockPool()
{
    // Tidy does not give back every block on every road; the pool takes back
    // what is left with the rest.
    while (m_blocks) {
        Header* next = m_blocks->next;
        std::free(m_blocks);
        m_blocks = next;
    }
}

void* TidyBlockPool::fresh(std::size_t capacity)
{
    auto* header = static_cast<Header*>(std::malloc(sizeof(Header) + capacity));
    // Tidy has no way to go on without memory; its own allocator ends the
    // program too.
    if (!header)
        qFatal("HTML Tidy ran out of memory");
    header->capacity = capacity;
    header->previous = nullptr;
    header->next = m_blocks;
    if (m_blocks)
        m_blocks->previous = header;
    m_blocks = header;
    return header + 1;
}

void TidyBlockPool::drop(Header* header)
{
    if (header->previous)
        header->previous->next = header->next;
    else
        m_blocks = header->next;
    if (header->next)
        header->next->previous = header->previous;
    std::free(header);
}

void* TidyBlockPool::allocate(std::size_t bytes)
{
    if (bytes > LargestKept)
        return fresh(bytes);
    const std::size_t capacity = std::bit_ceil(std::max(bytes, std::size_t(1) << SmallestShift));
    std::vector<void*>& kept = m_free[std::countr_zero(capacity) - SmallestShift];
    if (kept.empty())
        return fresh(capacity);
    void* block = kept.back();
    kept.pop_back();
    return block;
}

void* TidyBlockPool::reallocate(void* block, std::size_t bytes)
{
    if (!block)
        return allocate(bytes);
    const std::size_t capacity = headerOf(block)->capacity;
    if (bytes <= capacity)
        return block;
    void* grown = allocate(bytes);
    std::memcpy(grown, block, capacity);
    release(block);
    return grown;
}

void TidyBlockPool::release(void* block)
{
    if (!block)
        return;
    Header* header = headerOf(block);
    if (header->capacity > LargestKept) {
        drop(header);
        return;
    }
    m_free[std::countr_zero(header->capacity) - SmallestShift].push_back(block);
}

TidyBlockPool& TidyBlockPool::of(TidyAllocator* allocator)
{
    return *reinterpret_cast<Allocator*>(allocator)->pool;
}

void* TIDY_CALL TidyBlockPool::allocateCall(TidyAllocator* self, std::size_t bytes) noexcept
{
    return of(self).allocate(bytes);
}

void* TIDY_CALL TidyBlockPool::reallocateCall(TidyAllocator* self, void* block,
                                              std::size_t bytes) noexcept
{
    return of(self).reallocate(block, bytes);
}

void TIDY_CALL TidyBlockPool::releaseCall(TidyAllocator* self, void* block) noexcept
{
    of(self).release(block);
}

void TIDY_CALL TidyBlockPool::panicCall(TidyAllocator*, ctmbstr message) noexcept
{
    qFatal("HTML Tidy: %s", message);
}
