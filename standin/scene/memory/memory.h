// Memory for the host's large arrays and for the records of a scene.
//
// A model of a million vertices needs a few hundred megabytes of records,
// list nodes and undo positions, touched once each soon after they are
// allocated.  Taken from the system in 4 KiB pages that is tens of thousands
// of page faults, a large share of loading a model or running a command; in
// regions the system may back with 2 MiB pages it is a few hundred.
#ifndef RILO_STANDIN_MEMORY_H
#define RILO_STANDIN_MEMORY_H

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace standin {

// BYTES of fresh memory aligned for any record; large regions are mapped on
// their own and offered huge pages.  Throws std::bad_alloc.
void *take_pages(size_t bytes);
void give_pages(void *memory, size_t bytes);

struct PagesDeleter {
    size_t bytes = 0;
    void operator()(void *memory) const { give_pages(memory, bytes); }
};

template <typename T>
using Array = std::unique_ptr<T[], PagesDeleter>;

// An array of N elements left unwritten, for the caller to fill: the host
// fills arrays of tens of megabytes within one command, and zeroing them
// first would only add a pass over memory.
template <typename T>
Array<T> unfilled_array(size_t n)
{
    static_assert(std::is_trivially_destructible_v<T> && std::is_trivially_default_constructible_v<T>,
                  "the array's elements are never constructed nor destroyed one by one");
    if (n > static_cast<size_t>(-1) / sizeof(T)) throw std::bad_alloc();
    const size_t bytes = n * sizeof(T);
    return Array<T>(static_cast<T *>(take_pages(bytes)), PagesDeleter{bytes});
}

// Room in V for one more element, taken before the element is made so that
// the push that follows cannot fail; V still grows geometrically.
template <typename V>
void make_room_for_one(V &v)
{
    if (v.size() == v.capacity()) v.reserve(v.size() * 2 + 4);
}

// Chunks of memory found by address: which of them, if any, holds a given
// address.  Both the arena and the list-node pool ask it for every node of a
// list, and neighbouring nodes mostly share a chunk, so the chunk found last
// is tried first.
class ChunkIndex {
public:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    // Room for one more chunk, taken before the chunk is, so that add cannot fail.
    void make_room() { make_room_for_one(chunks_); }
    // Adds the chunk ID of BYTES from START; after make_room.
    void add(const void *start, size_t bytes, size_t id);
    // The ID of the chunk holding ADDRESS, or kNone.
    size_t find(const void *address) const
    {
        // One comparison, thanks to unsigned wrap-around.
        const uintptr_t a = reinterpret_cast<uintptr_t>(address);
        return a - hit_start_ < hit_bytes_ ? hit_id_ : find_in_order(a);
    }

private:
    struct Chunk {
        uintptr_t start;
        uintptr_t end;
        size_t id;
        bool operator<(const Chunk &other) const { return start < other.start; }
    };
    size_t find_in_order(uintptr_t address) const;

    mutable std::vector<Chunk> chunks_;  // the first in_order_ in address order, then those added since
    mutable size_t in_order_ = 0;
    mutable uintptr_t hit_start_ = 0;  // the chunk found last
    mutable uintptr_t hit_bytes_ = 0;
    mutable size_t hit_id_ = kNone;
};

// Records that live as long as their scene: carved in order from chunks that
// double in size, and given back all at once when the arena goes.
class Arena {
public:
    Arena() = default;
    ~Arena();
    Arena(const Arena &) = delete;
    Arena &operator=(const Arena &) = delete;

    // Room for BYTES aligned to ALIGN (a power of two at most 16).
    void *allocate(size_t bytes, size_t align);
    // Whether ADDRESS lies in memory the arena handed out.
    bool contains(const void *address) const { return by_address_.find(address) != ChunkIndex::kNone; }

private:
    void add_chunk(void *memory, size_t bytes);

    struct Chunk {
        void *memory;
        size_t bytes;
    };
    std::vector<Chunk> chunks_;
    ChunkIndex by_address_;
    char *next_ = nullptr;
    char *end_ = nullptr;
    size_t chunk_bytes_ = size_t{64} << 10;
};

}  // namespace standin

#endif
