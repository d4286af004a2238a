// A growing sequence whose elements never move: blocks of doubling size, so
// that records stay in place for the pointers the plug-in holds and
// neighbours stay close together in memory.
#ifndef RILO_STANDIN_BLOCKS_H
#define RILO_STANDIN_BLOCKS_H

#include <bit>
#include <cstddef>
#include <memory>
#include <utility>
#include <vector>

namespace standin {

// An array of N elements left unwritten, for the caller to fill: the host
// fills arrays of tens of megabytes within one command, and zeroing them
// first would only add a pass over memory.
template <typename T>
std::unique_ptr<T[]> unfilled_array(size_t n)
{
    return std::make_unique_for_overwrite<T[]>(n);
}

template <typename T>
class Blocks {
    static constexpr size_t kFirst = 16;  // elements in the first block; each next block doubles

    static size_t block_size(size_t block) { return kFirst << block; }

public:
    template <typename Owner, typename Item>
    class Cursor {
    public:
        Cursor(Owner *owner, size_t block, size_t offset) : owner_(owner), block_(block), offset_(offset) { enter(); }
        Item &operator*() const { return items_[offset_]; }
        Item *operator->() const { return items_ + offset_; }
        Cursor &operator++()
        {
            if (++offset_ == block_size(block_)) {
                ++block_;
                offset_ = 0;
                enter();
            }
            return *this;
        }
        bool operator==(const Cursor &other) const { return block_ == other.block_ && offset_ == other.offset_; }

    private:
        void enter() { items_ = block_ < owner_->blocks_.size() ? owner_->blocks_[block_].get() : nullptr; }

        Owner *owner_;
        size_t block_;
        size_t offset_;
        Item *items_ = nullptr;  // the current block
    };
    using iterator = Cursor<Blocks, T>;
    using const_iterator = Cursor<const Blocks, const T>;

    Blocks() = default;
    Blocks(Blocks &&other) noexcept { *this = std::move(other); }
    Blocks &operator=(Blocks &&other) noexcept
    {
        blocks_ = std::move(other.blocks_);
        size_ = std::exchange(other.size_, 0);
        tail_used_ = std::exchange(other.tail_used_, 0);
        tail_capacity_ = std::exchange(other.tail_capacity_, 0);
        other.blocks_.clear();
        return *this;
    }

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T &push_back(T value)
    {
        if (tail_used_ == tail_capacity_) {
            tail_capacity_ = block_size(blocks_.size());
            blocks_.push_back(unfilled_array<T>(tail_capacity_));  // each slot is assigned before use
            tail_used_ = 0;
        }
        T &slot = blocks_.back()[tail_used_++];
        slot = std::move(value);
        ++size_;
        return slot;
    }

    T &operator[](size_t i)
    {
        const auto [block, offset] = locate(i);
        return blocks_[block][offset];
    }
    const T &operator[](size_t i) const { return const_cast<Blocks &>(*this)[i]; }
    T &back() { return (*this)[size_ - 1]; }

    iterator begin() { return {this, 0, 0}; }
    iterator end() { return at(size_); }
    const_iterator begin() const { return {this, 0, 0}; }
    const_iterator end() const
    {
        const auto [block, offset] = locate(size_);
        return {this, block, offset};
    }

private:
    // Block k starts at element kFirst * (2^k - 1).
    static std::pair<size_t, size_t> locate(size_t i)
    {
        const size_t scaled = i / kFirst + 1;
        const size_t block = static_cast<size_t>(std::bit_width(scaled)) - 1;
        return {block, i - kFirst * ((size_t{1} << block) - 1)};
    }
    iterator at(size_t i)
    {
        const auto [block, offset] = locate(i);
        return {this, block, offset};
    }

    std::vector<std::unique_ptr<T[]>> blocks_;
    size_t size_ = 0;
    size_t tail_used_ = 0;      // elements in the last block
    size_t tail_capacity_ = 0;  // size of the last block
};

}  // namespace standin

#endif
