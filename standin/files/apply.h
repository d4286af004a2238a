// The apply job: the waveform from one model file to another in one step,
// for the command line and the standin apply subcommand alike.
#ifndef RILO_STANDIN_APPLY_H
#define RILO_STANDIN_APPLY_H

#include <string>
#include <vector>

namespace standin {

class Host;

// The words of "standin apply IN.ac OUT.ac OPTION ...".
struct ApplyOptions {
    std::string in, out, preview;        // preview: none when empty
    std::string select = "all";          // all, objects, surfaces or vertices
    std::vector<std::string> names;      // the objects named, unless all
    std::string freq_axis, amp_axis, frequency, amplitude;  // as the command takes them
    std::string offset = "0";
    bool additive = true, per_unit = true;
    bool force = false;  // replace an OUT (or preview) the user may not write
};

inline constexpr const char *kApplyUsage =
    "apply IN.ac OUT.ac --freq-axis x|y|z --amp-axis x|y|z --frequency F --amplitude A "
    "?--select all|objects NAME...|surfaces NAME...|vertices NAME...? ?--offset HUNDREDTHS|random? "
    "?--additive|--absolute? ?--per-unit|--across? ?--preview OUT.svg? ?--force?";

// Parses the words after "apply"; throws Error, with the usage where it
// helps, for words it cannot use.
ApplyOptions parse_apply_options(const std::vector<std::string> &words);

// Loads IN, selects as "standin select" does, runs pjtrilo_go of the loaded
// module, counts the vertices its undo step moved, draws the preview and
// writes OUT and the preview.  Returns "moved N of M vertices in K object(s);
// wrote OUT[ and PREVIEW]".  A refused file, selection or parameter throws
// (Error, or ac::Error from the file) and writes nothing.
std::string apply_to_file(Host &host, const ApplyOptions &options);

}  // namespace standin

#endif
