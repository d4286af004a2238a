// A growing sequence whose elements never move: blocks of doubling size
// carved from the scene's arena, so that records stay in place for the
// pointers the plug-in holds and neighbours stay close together in memory.
// When the final size is known, the first block holds it all.  A sequence
// may keep a side record S beside each element, in an array of its own per
// block, so that passes over the elements read nothing else.
//
// A block in memory (its side array is carved first, mostly just before it):
//
//     side array    [S0][S1]...[Sn-1]        (only with a side record S)
//     head          owner | first | side | capacity     32 bytes
//     elements      [T0][T1]...[Tn-1]        Tk's side record is Sk
//
// Each block's elements follow its own head, so a head lies between the
// elements of any two blocks, of any sequence: elements at consecutive
// addresses (a run) are always in one block, and so are their side records.
#ifndef RILO_STANDIN_BLOCKS_H
#define RILO_STANDIN_BLOCKS_H

#include <algorithm>
#include <bit>
#include <cassert>
#include <cstddef>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "memory.h"

namespace standin {

template <typename T, typename S = void>
class Blocks {
    static_assert(std::is_trivially_destructible_v<T>, "the arena gives blocks back without destroying them");
    static constexpr bool kSide = !std::is_void_v<S>;
    using Side = std::conditional_t<kSide, S, char>;
    static_assert(std::is_trivially_destructible_v<Side>, "the arena gives blocks back without destroying them");

public:
    template <typename Owner, typename Item>
    class Cursor {
    public:
        Cursor(Owner *owner, size_t block, size_t offset) : owner_(owner), block_(block), offset_(offset) { enter(); }
        Item &operator*() const { return items_[offset_]; }
        Item *operator->() const { return items_ + offset_; }
        Cursor &operator++()
        {
            if (++offset_ == owner_->block_size(block_)) {
                ++block_;
                offset_ = 0;
                enter();
            }
            return *this;
        }
        bool operator==(const Cursor &other) const { return block_ == other.block_ && offset_ == other.offset_; }

    private:
        void enter() { items_ = block_ < owner_->blocks_.size() ? owner_->blocks_[block_] : nullptr; }

        Owner *owner_;
        size_t block_;
        size_t offset_;
        Item *items_ = nullptr;  // the current block
    };
    using iterator = Cursor<Blocks, T>;
    using const_iterator = Cursor<const Blocks, const T>;

    Blocks() = default;
    Blocks(const Blocks &) = delete;
    Blocks &operator=(const Blocks &) = delete;

    // Each block begins with a head naming the sequence's owner and the index
    // of the block's first element: an element that knows its offset in its
    // block finds both without a pointer of its own.
    // The head fills 32 bytes, so that the elements keep its alignment.
    struct Head {
        const void *owner;
        size_t first;
        Side *side;       // the block's side records, or nothing
        size_t capacity;  // elements the block has room for
    };
    static const Head &head_of(const T *element, size_t offset)
    {
        return reinterpret_cast<const Head *>(element - offset)[-1];
    }
    static Side &side_of(const T *element, size_t offset) { return head_of(element, offset).side[offset]; }
    // The side records of COUNT elements at consecutive addresses from
    // FIRST, whose offset in its block is OFFSET.
    static Side *sides_of_run(const T *first, size_t offset, [[maybe_unused]] size_t count)
    {
        const Head &head = head_of(first, offset);
        assert(offset + count <= head.capacity && "a run never spans two blocks");
        return head.side + offset;
    }

    // Where the blocks come from and whose they are; a sequence given no
    // arena makes one of its own.
    void use(Arena *arena, const void *owner)
    {
        arena_ = arena;
        owner_ = owner;
    }
    // Room for N elements in all, taken at the first element; only before it.
    void reserve(size_t n)
    {
        if (blocks_.empty() && n > 0) first_ = n;
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    // The offset in its block of the element pushed next.
    size_t next_offset() const { return tail_used_ == tail_capacity_ ? 0 : tail_used_; }

    T &push_back(T value)
    {
        if (tail_used_ == tail_capacity_) add_block();
        T *slot = new (blocks_.back() + tail_used_++) T(std::move(value));
        ++size_;
        return *slot;
    }

    T &operator[](size_t i)
    {
        const auto [block, offset] = locate(i);
        return blocks_[block][offset];
    }
    Side &side(size_t i)
    {
        const auto [block, offset] = locate(i);
        return side_of(blocks_[block] + offset, offset);
    }
    const T &operator[](size_t i) const { return const_cast<Blocks &>(*this)[i]; }
    T &back() { return (*this)[size_ - 1]; }

    // F(first, count) for each block's elements in order: a plain loop over
    // each, for the passes over every record.
    template <typename F>
    void for_each_span(F &&f) const
    {
        size_t left = size_;
        for (size_t b = 0; b < blocks_.size() && left > 0; ++b) {
            const size_t n = std::min(left, block_size(b));
            f(blocks_[b], n);
            left -= n;
        }
    }

    iterator begin() { return {this, 0, 0}; }
    iterator end() { return at(size_); }
    const_iterator begin() const { return {this, 0, 0}; }
    const_iterator end() const
    {
        const auto [block, offset] = locate(size_);
        return {this, block, offset};
    }

private:
    size_t block_size(size_t block) const { return first_ << block; }

    void add_block()
    {
        if (arena_ == nullptr) {
            own_arena_ = std::make_unique<Arena>();
            arena_ = own_arena_.get();
        }
        const size_t n = block_size(blocks_.size());
        static_assert(sizeof(Head) % alignof(T) == 0 && alignof(Head) <= 16, "elements follow the head aligned");
        if (n > (static_cast<size_t>(-1) - sizeof(Head)) / std::max(sizeof(T), sizeof(Side))) throw std::bad_alloc();
        make_room_for_one(blocks_);
        Side *side = nullptr;
        if constexpr (kSide) side = static_cast<Side *>(arena_->allocate(n * sizeof(Side), alignof(Side)));
        void *memory = arena_->allocate(sizeof(Head) + n * sizeof(T), 16);
        new (memory) Head{owner_, size_, side, n};
        blocks_.push_back(reinterpret_cast<T *>(static_cast<char *>(memory) + sizeof(Head)));
        tail_capacity_ = n;
        tail_used_ = 0;
    }

    // Block k starts at element first * (2^k - 1).
    std::pair<size_t, size_t> locate(size_t i) const
    {
        if (i < first_) return {0, i};
        const size_t scaled = i / first_ + 1;
        const size_t block = static_cast<size_t>(std::bit_width(scaled)) - 1;
        return {block, i - first_ * ((size_t{1} << block) - 1)};
    }
    iterator at(size_t i)
    {
        const auto [block, offset] = locate(i);
        return {this, block, offset};
    }

    std::vector<T *> blocks_;
    Arena *arena_ = nullptr;
    const void *owner_ = nullptr;
    std::unique_ptr<Arena> own_arena_;
    size_t first_ = 16;  // elements in the first block; each next block doubles
    size_t size_ = 0;
    size_t tail_used_ = 0;      // elements in the last block
    size_t tail_capacity_ = 0;  // size of the last block
};

}  // namespace standin

#endif
