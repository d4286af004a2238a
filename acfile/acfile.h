// In-memory model of an AC3D .ac file, with a tolerant reader, a writer that
// gives back what it read, and the object-to-world transforms.
//
// The model is lossless: every token of every object is kept in file order
// with the text it was written with, materials are kept as written, and each
// coordinate remembers its original text so that an unchanged value is written
// back character for character. See docs/model-files.md ("How files are read") for the
// policies on malformed files.
//
// The reader is read/read.cpp with its parts (read/reader.h); the writer is
// write.cpp; files/file_read.cpp maps a file (or reads a stream) and checks
// it; files/file_replace.cpp replaces one atomically, keeping what it had
// (its parts: files/file_replace.h), and files/background_write.cpp writes
// the new one on a thread of its own; files/file_stamp.cpp tells what another
// program did to a file since it was read or written; model.cpp holds the
// model's queries and the walk over the tree; placement.cpp the placements;
// read/numbers.h the numbers as written; read/messages.cpp also the progress
// display; test_stop.h the one hook that stops a load or a save for tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ac {

// A message as one line a terminal shows as it is: control bytes (a line
// break or an escape in a file's name, say) as \xNN.
std::string one_line(std::string_view text);
// A byte as messages show one that cannot stand for itself: \xNN.
std::string hex_byte(unsigned char byte);

// Every failure to read or write a model. what() is one line, for reading
// "FILE:LINE: expected ..., found ...", whatever the names in it hold.
class Error : public std::runtime_error {
public:
    explicit Error(const std::string &what) : std::runtime_error(one_line(what)) {}
};

// A piece of Model::text, by offset and length. len == 0 means "no text":
// the value was made by the program and is written in its shortest form.
struct Span {
    std::uint32_t off = 0;
    std::uint32_t len = 0;
};

struct Vertex {
    float x = 0, y = 0, z = 0;
};

// Where the text of vertex coordinates starts in Model::text: the word of
// an x; those of y and z are the next two words (the reader read them so).
using VertexText = std::uint32_t;

// One corner of a surface: a vertex of the object and its texture
// coordinate, kept as text only (Model::uv_text gives the words, Model::u
// and Model::v the numbers).
struct Ref {
    static constexpr std::uint32_t no_text = 0xFFFFFFFFu;  // written as "0 0"
    std::uint32_t index = 0;
    // Where the word of u starts, in Model::text or past it in Model::added;
    // the word of v follows it.
    std::uint32_t uv = no_text;
};

enum SurfaceType { polygon = 0, closed_line = 1, line = 2 };

struct Surface {
    static constexpr std::uint32_t no_text = 0xFFFFFFFFu;
    std::uint32_t flags = 0;  // 0x10 smooth, 0x20 two-sided, low nibble the type
    // Where the word of the flags as written ("0x10", "0X0", ...) starts in
    // Model::text (Model::flags_text gives it); no_text: made by the program.
    std::uint32_t flags_at = no_text;
    std::uint32_t mat = 0;    // index into Model::materials
    std::uint32_t first = 0;  // its refs are Object::refs[first, first + count)
    std::uint32_t count = 0;
    int type() const { return static_cast<int>(flags & 0xFu); }
};

// One per-object token other than numvert, numsurf and kids, with its
// arguments exactly as written (strings keep their quotes).
struct Token {
    std::string key;
    std::vector<std::string> args;
    std::string text;  // the counted text of `data` (line breaks as '\n')
    std::size_t line = 0;
};

struct Object {
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    std::string type;           // world, poly, group, light, ...
    std::size_t line = 0;       // line of its OBJECT keyword
    std::vector<Token> tokens;  // in file order
    // Where the vertex and surface blocks stood among the tokens: before
    // tokens[vert_at] (tokens.size() = after the last token); npos = absent.
    std::size_t vert_at = npos;
    std::size_t surf_at = npos;

    bool has_rot = false;                                  // rot given (otherwise identity)
    std::array<double, 9> rot{1, 0, 0, 0, 1, 0, 0, 0, 1};  // row-major
    std::array<double, 3> loc{0, 0, 0};

    std::vector<Vertex> verts;       // current local coordinates
    std::vector<Vertex> verts_read;  // as read (empty: verts are as read)
    // Read without verts_read (ReadOptions::keep_read_copy off): a digest
    // of the vertices as read, by which the writer refuses verts edited
    // since rather than give them their old text.
    std::uint64_t verts_digest = 0;
    // The text of the first vtext_count vertices: the words of their
    // coordinates follow one another from vtext on, as the reader read them
    // (no offset is kept per vertex). A coordinate equal to its read value is
    // written as its word.
    VertexText vtext = 0;
    std::uint32_t vtext_count = 0;
    std::vector<Surface> surfs;
    std::vector<Ref> refs;
    std::vector<Object> kids;
    // The bare flags as read: not shown, not to be selected, shown folded
    // in a tree of objects. Their tokens stay among `tokens` as well.
    bool hidden = false, locked = false, folded = false;

    const Token *find(std::string_view key) const;
    // The first word of the token KEY, unquoted; "" when there is none.
    std::string text(std::string_view key) const;
    std::string name() const { return text("name"); }
    int subdiv() const;        // subdivision level, 0 when absent
};

// An object as every message names it: "object 'name'" (quoted and cut as
// any word of a message), or "the poly object of line 12" without a name.
std::string describe(const Object &o);

// What a file was when a model was read from it or written to it: which
// file it was (device and inode), its size and times, and a digest of its
// bytes. Compared with the file later, it tells whether another program
// changed the file since.
struct FileStamp {
    bool known = false;  // false: the model came from a stream, or from no file
    std::uint64_t device = 0, inode = 0, size = 0;
    std::int64_t modified_s = 0, modified_ns = 0, changed_s = 0, changed_ns = 0;
    bool digested = false;  // false: the times stand for the bytes
    std::uint64_t digest = 0;
};

// What happened to the file at PATH since STAMP was taken, as words that
// follow "FILE was": "replaced by another file ...", "changed in place ...",
// "removed"; "" when it holds the same bytes in the same file (or STAMP is
// not known). Without a digest, the same size and times stand for the same
// bytes: the change time cannot be set back.
std::string file_changes(const std::string &path, const FileStamp &stamp);

// The moments a model's text is checked against its file.
enum class TextCheck {
    loaded,       // the reader is done (or has failed)
    before_save,  // nothing is written yet
    after_copy,   // the writer is done, the new file not yet in place
};

// Where a model's text lives: a read-only mapping of its file, or a copy of
// what came from a stream. Shared by the copies of a model.
class TextStore {
public:
    virtual ~TextStore() = default;
    virtual std::string_view text() const = 0;
    // Throws Error when the text may no longer be what was read: a mapped
    // file changed in place or cut short since it was opened. `saving`
    // names the file being written, if any, first in the message.
    virtual void check(TextCheck when, std::string_view saving = {}) const
    {
        (void)when;
        (void)saving;
    }
    // The text before offset `upto` is not needed again soon: a mapped file
    // lets the system take back those pages (they stay in the file's cache
    // and come back when read), so a large model is not held twice.
    virtual void let_go(std::size_t upto) const { (void)upto; }
    // The file the text came from, as it was read; unknown for a stream.
    virtual FileStamp stamp() const { return {}; }
};

struct Model {
    std::string path;  // the name used in messages
    std::shared_ptr<const TextStore> store;
    std::string_view text;               // the file as read, in `store`; Spans point here
    std::string added;                   // text made by the program; Spans past `text` point here
    char version = 'b';                  // AC3Db or AC3Dc
    bool crlf = false;                   // written back with CRLF line ends
    bool repaired = false;               // a warning told of a repair: a save differs from the file
    std::vector<std::string> materials;  // each as written, index = position
    Object world;

    // The words of the coordinates of the vertices read, in order.
    std::vector<std::array<std::string_view, 3>> vertex_texts(const Object &o) const;
    // The words of a corner's texture coordinate; "0" and "0" without text.
    std::array<std::string_view, 2> uv_text(const Ref &r) const;
    // The word of a surface's flags as read; "" without text.
    std::string_view flags_text(const Surface &s) const;

    float u(const Ref &r) const;  // the texture coordinate as a number
    float v(const Ref &r) const;
    // A corner made by the program: its coordinate's text is added to `added`.
    Ref make_ref(std::uint32_t index, float u, float v);
};

struct Counts {
    std::size_t objects = 0, vertices = 0, surfaces = 0, refs = 0;
};
Counts count(const Model &m);  // objects excludes the world

using WarningSink = std::function<void(const std::string &)>;
// Told DONE of TOTAL as a load or a save begins (DONE 0) and every few
// megabytes of it; may throw Error to stop it, which leaves things as a refusal does.
using ProgressSink = std::function<void(std::uint64_t done, std::uint64_t total)>;

struct ReadOptions {
    // Receives one line per repair ("FILE:LINE: warning: ..."). Empty: the
    // line goes to standard error.
    WarningSink warn;
    bool progress = true;  // show progress when stderr is a terminal
    // Off for a caller that never edits the model's vertices but writes
    // changed ones through WriteOptions::vertices: the coordinates are kept
    // once, not also as read (12 bytes a vertex). The writer refuses such a
    // model once its vertices are edited.
    bool keep_read_copy = true;
    // Copies a regular file's text into memory instead of mapping it, so that
    // the model stays whole and can be written anywhere whatever another
    // program does to the file later (the whole text stays in memory).
    bool copy_text = false;
    // Told now and then how far the reading is, in bytes of the text.
    ProgressSink on_progress;
};

// The local coordinates to write for an object in place of its own: as many
// as the object has, valid until the next call; null for the object's own.
// Asked once per object, in file order, as the object is written.
using VertexSource = std::function<const Vertex *(const Object &)>;

// The flags an object is to be written with, asked once per object in file
// order: its `hidden` or `locked` line is added or removed where this
// differs from what was read, and the object's text is otherwise as read.
struct WrittenFlags {
    bool hidden = false, locked = false;
};
using FlagSource = std::function<WrittenFlags(const Object &)>;

struct ReplaceOptions {
    bool force = false;   // replace a file the user may not write, or whose owner cannot be kept
    bool digest = false;  // the stamp returned has a digest of the bytes written (some 5% of a save's time)
    // Receives the line of a warning after a save that stands ("FILE:
    // warning: ..."). Empty: the line goes to standard error.
    WarningSink warn = {};
};

struct WriteOptions {
    bool progress = true;
    ProgressSink on_progress;  // in vertices and corners written
    ReplaceOptions replace;
    VertexSource vertices;  // empty: every object's own
    FlagSource flags;       // empty: every object's own flags as read
};

// A regular file larger than this is refused before it is read; one of no
// size whose text is made as it is read (/proc) is read up to stream_limit
// bytes. Anything but a regular file (a FIFO, a device, a folder) is refused
// without waiting on it.
inline constexpr std::uint64_t text_limit = 0xFFFFFFFEu;
inline constexpr std::uint64_t stream_limit = 256u << 20;

// Reads a model: a regular file is mapped, not copied. Throws Error and
// produces nothing on input it refuses, or when the file changes while it
// is read (a file cut short under the mapping included).
Model read_file(const std::string &path, const ReadOptions &opt = {});
Model read_text(std::string text, const std::string &name, const ReadOptions &opt = {});

// Writes a model with replace_file. Throws Error, writing nothing, when a
// mapped file the model reads its text from changed in place since it was
// opened, before or while the text is copied, or when the vertices of a
// model read without its copy of them were edited. Returns the stamp of the
// file written.
FileStamp write_file(const Model &m, const std::string &path, const WriteOptions &opt = {});
std::string write_text(const Model &m, const VertexSource &vertices = {}, const FlagSource &flags = {});

// Replaces the file at `path` with what `produce` hands to the sink: written
// to a temporary file `.rilo-PID-N.tmp` beside it, given the old file's
// owner, group, extended attributes (ACLs among them) and mode, synced and
// renamed over it, then the folder synced, so that a failed or interrupted
// write leaves any existing file as it was. Throws Error, writing nothing,
// when the path is refused by check_destination, or when the old file's
// owner and group cannot be kept (unless options.force), or an attribute
// cannot. Once the rename is done the save stands: a failure to sync the
// folder, and other names of a file with hard links (which keep the old
// content), are warnings. Every catchable signal that would end the process
// removes the temporary file first; SIGXFSZ is ignored during the save, so
// a file beyond the size limit is an Error naming the limit. Returns the
// stamp of the file written (with options.digest, the digest of the bytes
// produced). What `produce` throws goes on unchanged, the file as it was.
using ByteSink = std::function<void(const char *, std::size_t)>;
FileStamp replace_file(const std::string &path, const std::function<void(const ByteSink &)> &produce,
                       const ReplaceOptions &options = {});

// Throws Error unless `path` names a new file in an existing folder or an
// existing regular file (a symbolic link is followed) that the user may
// write, or options.force. Root may write anything; for root a file without
// any write permission counts as one it may not write. The folder must take
// a new file from the user; a link in a sticky, world-writable folder is
// followed only when it belongs to the user or the folder's owner; a file
// something is mounted on is refused.
void check_destination(const std::string &path, const ReplaceOptions &options = {});

// Shortest text that reads back as the same float.
std::string format_float(float f);

// The transforms from an object's frame to the world frame: the object's rot
// then loc, then its parent's, and so on up to the root.
class Placement {
public:
    Placement() = default;
    Placement child(const Object &o) const;  // this placement followed by o's own

    // Computed in double, rounded to float once.
    Vertex to_world(const Vertex &local) const
    {
        if (!moves_) return {local.x + zero_[0], local.y + zero_[1], local.z + zero_[2]};
        return to_world_by_steps(local);
    }

    // The local coordinates for a vertex moved to `world`, given its
    // coordinates before the move. The transforms are undone from the root
    // down in double and the result rounded once. A local coordinate that
    // no moved world coordinate depends on keeps its old value exactly.
    // Throws Error when a rot on the way is singular and a move needs it,
    // or when a local coordinate would be beyond single precision.
    Vertex to_local(const Vertex &world, const Vertex &old_local) const;

private:
    // One object's own transform, linked to its parent's: placements of
    // siblings and descendants share their ancestors' steps, so memory stays
    // in proportion to the tree, not to objects times depth.
    struct Turn {
        std::array<double, 9> rot, inv;
    };
    struct Step {
        std::unique_ptr<const Turn> turn;  // null: no rot (most objects have none)
        std::array<double, 3> loc;
        std::shared_ptr<const Step> parent;
    };
    static void undo_from_root(const Step *s, double p[3]);
    Vertex to_world_by_steps(const Vertex &local) const;
    std::shared_ptr<const Step> last_;  // the object's own; null: no step
    // False while no step has a rot or a loc other than zeros: to_world then
    // only adds zeros, and their sum in double gives what one float zero
    // per coordinate gives. That zero is +0 when any of them is +0 (a -0
    // becomes +0), and -0 otherwise (nothing changes).
    bool moves_ = false;
    std::array<float, 3> zero_{-0.0f, -0.0f, -0.0f};
    std::array<double, 9> inv_total_{1, 0, 0, 0, 1, 0, 0, 0, 1};
    // Bit j of depends_[i]: local coordinate i depends on world coordinate j
    // (inv_total_ has a nonzero there).
    std::array<unsigned, 3> depends_{1, 2, 4};
    std::shared_ptr<const std::string> singular_;  // the object with a singular rot, for errors
};

// Visits every object, world first, parents before children, in file order.
void for_each_object(const Model &m, const std::function<void(const Object &, const Placement &)> &f);
void for_each_object(Model &m, const std::function<void(Object &, const Placement &)> &f);

namespace detail {
// Shows "VERB NAME  NN%" on a terminal, redrawn in place; silent otherwise.
class Progress {
public:
    Progress(const char *verb, std::string_view name, std::uint64_t total, bool enabled, int fd = 2,
             ProgressSink report = {});
    ~Progress();
    Progress(const Progress &) = delete;
    Progress &operator=(const Progress &) = delete;
    void update(std::uint64_t done);
    bool active() const { return active_; }

private:
    void draw(int percent);
    std::string label_;
    std::uint64_t total_;
    ProgressSink report_;
    int fd_;
    bool active_;
    int shown_ = -1;
};

// Models smaller than this load and save without a progress display.
inline constexpr std::uint64_t progress_threshold = 8u << 20;

}  // namespace detail

}  // namespace ac
