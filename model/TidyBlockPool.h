#pragma once

#include <array>
#include <cstddef>
#include <tidy/tidy.h>
#include <vector>

// The memory of one Tidy document. Tidy asks for many small blocks and gives
// them back soon after: each message it formats takes several buffers of a
// few kilobytes, even a message the options keep quiet, so a document full of
// repairs costs thousands of fresh blocks. The pool keeps what Tidy gives
// back and hands it out again; all of it goes when the pool does, what Tidy
// gave back and what it did not, so the pool must outlive the document. Each
// block stays an allocation of its own, so memory checkers still see where
// one ends.
class TidyBlockPool {
public:
    TidyBlockPool();
    ~TidyBlockPool();
    TidyBlockPool(const TidyBlockPool&) = delete;
    TidyBlockPool& operator=(const TidyBlockPool&) = delete;

    // What tidyCreateWithAllocator takes; valid as long as the pool.
    TidyAllocator* allocator() { return &m_allocator.base; }

private:
    struct Header;

    // Blocks of 2^5 to 2^12 bytes are kept; larger ones go back at once.
    static constexpr std::size_t SmallestShift = 5;
    static constexpr std::size_t Classes = 8;
    static constexpr std::size_t LargestKept = std::size_t(1) << (SmallestShift + Classes - 1);

    static Header* headerOf(void* block);
    void* fresh(std::size_t capacity);
    void drop(Header* header);
    void* allocate(std::size_t bytes);
    void* reallocate(void* block, std::size_t bytes);
    void release(void* block);

    static TidyBlockPool& of(TidyAllocator* allocator);
    static void* TIDY_CALL allocateCall(TidyAllocator* self, std::size_t bytes) noexcept;
    static void* TIDY_CALL reallocateCall(TidyAllocator* self, void* block,
                                          std::size_t bytes) noexcept;
    static void TIDY_CALL releaseCall(TidyAllocator* self, void* block) noexcept;
    static void TIDY_CALL panicCall(TidyAllocator* self, ctmbstr message) noexcept;

    // Tidy sees `base`; `pool` leads back from it.
    struct Allocator {
        TidyAllocator base;
        TidyBlockPool* pool;
    };
    Allocator m_allocator;
    std::array<std::vector<void*>, Classes> m_free;
    // Every block the pool holds, handed out or kept.
    Header* m_blocks = nullptr;
};
