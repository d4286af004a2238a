// Stamps: how the host marks records without ever clearing the marks one
// by one.
#ifndef RILO_STANDIN_STAMP_H
#define RILO_STANDIN_STAMP_H

#include <cstdint>

namespace standin {

// A record is marked by writing a counter's current value into it, so that
// everything marked before is unmarked at once by the next value; when a
// counter wraps, its field is zeroed in every record.  Wider stamps would
// only lengthen every record.
//
//   counter                      field                 marks
//   Lists::stamp_ (new_stamp)    Object::mark,         "already in the list being built", in
//                                Surface::mark,        Lists::surface_vertices, Lists::append_unique
//                                VertexState::mark     and UndoHistory::count_moved (each vertex once)
//   Lists::append_stamp_         the same marks        the items of the list last appended to, trusted
//                                                      until a new stamp, the list's release or its
//                                                      undo step, or a new scene (forget_append_list)
//   Checks::step_stamp_          VertexState::step     the vertices of the last undo step a checked
//                                                      command saved, where the checks must tell them
//                                                      from others of their object (note_step)
//   Invocation::step_stamp       (a copy)              which step stamp is the running command's last
using Stamp = uint32_t;
inline constexpr uint32_t kStepStampLimit = 1u << 31;  // step stamps fit in 31 bits

}  // namespace standin

#endif
