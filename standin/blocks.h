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

template <typename T>
class Blocks {
    static constexpr size_t kFirst = 16;  // elements in the first block; each next block doubles

    static size_t block_size(size_t block) { return kFirst << block; }

public:
    template <typename Owner, typename Item>
    class Cursor {
    public:
        Cursor(Owner *owner, size_t block, size_t offset) : owner_(owner), block_(block), offset_(offset) {}
        Item &operator*() const { return owner_->blocks_[block_][offset_]; }
        Item *operator->() const { return &**this; }
        Cursor &operator++()
        {
            if (++offset_ == block_size(block_)) {
                ++block_;
                offset_ = 0;
            }
            return *this;
        }
        bool operator==(const Cursor &other) const { return block_ == other.block_ && offset_ == other.offset_; }

    private:
        Owner *owner_;
        size_t block_;
        size_t offset_;
    };
    using iterator = Cursor<Blocks, T>;
    using const_iterator = Cursor<const Blocks, const T>;

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    T &push_back(T value)
    {
        const auto [block, offset] = locate(size_);
        if (block == blocks_.size()) blocks_.push_back(std::make_unique<T[]>(block_size(block)));
        T &slot = blocks_[block][offset];
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
};

#endif
