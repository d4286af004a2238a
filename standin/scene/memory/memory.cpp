#include "memory.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace standin {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;
// Regions from here up are mapped on their own: below it a huge page would
// mostly hold memory nobody asked for.
constexpr size_t kMappedFrom = size_t{4} << 20;
constexpr size_t kLargestChunk = size_t{64} << 20;

#if defined(__linux__)
// A region aligned to a huge page, so that the system can back all of it
// with huge pages; the advice is only advice, and the region works alike
// without it.
constexpr size_t kPage = 4096;

size_t whole_pages(size_t bytes)
{
    return (bytes + kPage - 1) & ~(kPage - 1);
}

void *map_region(size_t asked)
{
    const size_t bytes = whole_pages(asked);  // the tail is cut at a page boundary
    const size_t span = bytes + kHugePage;
    void *mapped = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t end = aligned + bytes;
    if (aligned > start) ::munmap(mapped, aligned - start);
    if (start + span > end) ::munmap(reinterpret_cast<void *>(end), start + span - end);
    ::madvise(reinterpret_cast<void *>(aligned), bytes, MADV_HUGEPAGE);
    return reinterpret_cast<void *>(aligned);
}

void unmap_region(void *memory, size_t bytes)
{
    ::munmap(memory, whole_pages(bytes));
}
#else
void *map_region(size_t bytes)
{
    return ::operator new(bytes);
}

void unmap_region(void *memory, size_t)
{
    ::operator delete(memory);
}
#endif

}  // namespace

void *take_pages(size_t bytes)
{
    return bytes >= kMappedFrom ? map_region(bytes) : ::operator new(bytes);
}

void give_pages(void *memory, size_t bytes)
{
    if (memory == nullptr) return;
    if (bytes >= kMappedFrom) {
        unmap_region(memory, bytes);
    } else {
        ::operator delete(memory);
    }
}

void ChunkIndex::add(const void *start, size_t bytes, size_t id)
{
    const auto first = reinterpret_cast<uintptr_t>(start);
    chunks_.push_back(Chunk{first, first + bytes, id});
}

size_t ChunkIndex::find_in_order(uintptr_t address) const
{
    // Chunks come in no particular order of address, and a scene of many
    // small objects (or a sanitized build, a chunk per block) adds hundreds of
    // thousands before the first search: they are put in order when searched.
    if (in_order_ < chunks_.size()) {
        const auto added = chunks_.begin() + static_cast<std::ptrdiff_t>(in_order_);
        std::sort(added, chunks_.end());
        std::inplace_merge(chunks_.begin(), added, chunks_.end());
        in_order_ = chunks_.size();
    }
    auto after = std::upper_bound(chunks_.begin(), chunks_.end(), Chunk{address, 0, 0});
    if (after == chunks_.begin() || address >= std::prev(after)->end) return kNone;
    const Chunk &found = *std::prev(after);
    hit_start_ = found.start;
    hit_bytes_ = found.end - found.start;
    hit_id_ = found.id;
    return found.id;
}

// Keeps MEMORY, just taken, to give back with the arena; a failure to make
// room gives it back at once.
void Arena::add_chunk(void *memory, size_t bytes)
{
    try {
        make_room_for_one(chunks_);
        by_address_.make_room();
    } catch (...) {
        give_pages(memory, bytes);
        throw;
    }
    chunks_.push_back(Chunk{memory, bytes});
    by_address_.add(memory, bytes, chunks_.size() - 1);
}

Arena::~Arena()
{
    for (const Chunk &chunk : chunks_) give_pages(chunk.memory, chunk.bytes);
}

#if defined(__SANITIZE_ADDRESS__)
// Under the address sanitizer every record block is an allocation of its
// own, so that a write past a block's end is caught.
void *Arena::allocate(size_t bytes, size_t)
{
    void *memory = take_pages(bytes);
    add_chunk(memory, bytes);
    return memory;
}
#else
void *Arena::allocate(size_t bytes, size_t align)
{
    const auto aligned = [align](char *p) {
        return reinterpret_cast<char *>((reinterpret_cast<uintptr_t>(p) + align - 1) & ~(uintptr_t{align} - 1));
    };
    char *at = aligned(next_);
    if (next_ != nullptr && at <= end_ && bytes <= static_cast<size_t>(end_ - at)) {
        next_ = at + bytes;
        return at;
    }
    if (bytes > chunk_bytes_ / 4) {  // a record this large gets a chunk of its own; the current one stays open
        void *memory = take_pages(bytes);
        add_chunk(memory, bytes);
        return memory;
    }
    void *memory = take_pages(chunk_bytes_);
    add_chunk(memory, chunk_bytes_);
    next_ = static_cast<char *>(memory);
    end_ = next_ + chunk_bytes_;
    chunk_bytes_ = std::min(chunk_bytes_ * 2, kLargestChunk);
    at = aligned(next_);
    next_ = at + bytes;
    return at;
}
#endif

}  // namespace standin
