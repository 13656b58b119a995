#include "TidyBlockPool.h"

#include <QtGlobal>
#include <bit>
#include <cstdlib>
#include <cstring>

namespace {

// Before each block: how many bytes it holds. Sixteen bytes keep the block as
// aligned as malloc's own.
struct alignas(16) BlockHeader {
    std::size_t capacity;
};

BlockHeader* headerOf(void* block)
{
    return static_cast<BlockHeader*>(block) - 1;
}

void* fresh(std::size_t capacity)
{
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + capacity));
    // Tidy has no way to go on without memory; its own allocator ends the
    // program too.
    if (!header)
        qFatal("HTML Tidy ran out of memory");
    header->capacity = capacity;
    return header + 1;
}

} // namespace

TidyBlockPool::TidyBlockPool()
{
    static const TidyAllocatorVtbl calls = {&allocateCall, &reallocateCall, &releaseCall,
                                            &panicCall};
    m_allocator.base.vtbl = &calls;
    m_allocator.pool = this;
}

TidyBlockPool::~TidyBlockPool()
{
    for (std::vector<void*>& blocks : m_free) {
        for (void* block : blocks)
            std::free(headerOf(block));
    }
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
    const std::size_t capacity = headerOf(block)->capacity;
    if (capacity > LargestKept) {
        std::free(headerOf(block));
        return;
    }
    m_free[std::countr_zero(capacity) - SmallestShift].push_back(block);
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
