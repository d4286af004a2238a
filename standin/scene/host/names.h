// Objects found by name: a glob pattern over names, and the names nearest
// to one that finds nothing, for "did you mean".  Selecting by name (the
// command line's --select and --match, "standin select") meets names here.
#ifndef RILO_STANDIN_NAMES_H
#define RILO_STANDIN_NAMES_H

#include <string>
#include <string_view>
#include <vector>

#include "scene.h"

namespace standin {

// Whether NAME matches PATTERN, byte by byte: * any run of bytes, ? one
// byte, [abc] [a-z] one byte of a set ([!...] or [^...] one outside it),
// \ the next byte as it is; any other byte itself, case counting unless
// FOLD_CASE (ASCII letters only).  A [ without its ] stands for itself.
// Takes at most |PATTERN| x |NAME| steps, whatever the stars.
bool name_matches(std::string_view pattern, std::string_view name, bool fold_case = false);

// The objects whose names match PATTERN, in scene order.
std::vector<Object *> objects_matching(const Scene &scene, std::string_view pattern);

// At most five names of SCENE nearest to WANTED (a name, or a PATTERN),
// each once: first those equal to it but for case (for a pattern, those it
// matches but for case), then those within an edit distance of a third of
// its length, nearest first, in scene order within each.  A WANTED longer
// than a name is ever typed is compared for case alone.
std::vector<std::string> nearest_names(const Scene &scene, std::string_view wanted, bool pattern);

// " (did you mean 'a', 'b' or 'c'?)" for those NAMES, or "" for none.
std::string did_you_mean(const std::vector<std::string> &names);

}  // namespace standin

#endif
