// A surface's references to its object's vertices.
#ifndef RILO_STANDIN_REFS_H
#define RILO_STANDIN_REFS_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

namespace standin {

// A surface's references: a run of its object's one array of them, so that
// a model of many small surfaces costs no allocation per surface.  The
// array may be the object's own, or one the scene was built from, read
// every STRIDE words.
class RefRange {
public:
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = uint32_t;
        using difference_type = std::ptrdiff_t;
        using pointer = const uint32_t *;
        using reference = uint32_t;

        Iterator() = default;
        Iterator(const uint32_t *at, uint32_t stride) : at_(at), stride_(stride) {}
        uint32_t operator*() const { return *at_; }
        Iterator &operator++()
        {
            at_ += stride_;
            return *this;
        }
        Iterator operator++(int)
        {
            Iterator was = *this;
            ++*this;
            return was;
        }
        bool operator==(const Iterator &other) const { return at_ == other.at_; }

    private:
        const uint32_t *at_ = nullptr;
        uint32_t stride_ = 1;
    };

    RefRange() = default;
    RefRange(const uint32_t *first, uint32_t count, uint32_t stride) : first_(first), count_(count), stride_(stride) {}
    Iterator begin() const { return {first_, stride_}; }
    Iterator end() const { return {first_ + size_t{count_} * stride_, stride_}; }
    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    uint32_t operator[](size_t i) const { return first_[i * stride_]; }
    uint32_t front() const { return first_[0]; }
    uint32_t back() const { return (*this)[count_ - 1]; }
    friend bool operator==(const RefRange &a, const std::vector<uint32_t> &b)
    {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

private:
    const uint32_t *first_ = nullptr;
    uint32_t count_ = 0;
    uint32_t stride_ = 1;
};

}  // namespace standin

#endif
