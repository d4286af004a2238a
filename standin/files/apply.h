// The apply job: the waveform from one model file to another in one step,
// for the command line and the standin apply subcommand alike.
#ifndef RILO_STANDIN_APPLY_H
#define RILO_STANDIN_APPLY_H

#include <string>
#include <vector>

namespace CLI {
class App;
class ParseError;
}

namespace standin {

class Host;

// The words of "standin apply IN.ac OUT.ac OPTION ...".
struct ApplyOptions {
    std::string in, out, side_view;                         // side_view: none when empty
    std::string select = "all";                             // all, objects, surfaces or vertices
    std::vector<std::string> names;                         // the objects named, unless all
    std::vector<std::string> patterns;                      // --match: the objects whose names match
    std::string freq_axis, amp_axis, frequency, amplitude;  // as the command takes them
    std::string offset = "0";
    bool additive = true, per_unit = true;
    bool force = false;                     // replace an OUT (or side view) the user may not write
    std::vector<std::string> select_words;  // --select as given
    std::vector<std::string> after_dashes;  // the words after "--": more names for --select
    std::string help;                       // --help: the text, and nothing else done
};

// What every usage error of apply ends with.
inline constexpr const char *kApplyHelp = "standin apply --help lists its options";

// The options of "apply", for the command line's apply subcommand and the
// standin apply Tcl subcommand alike; check_apply_options completes them
// once parsed (throws CLI::ValidationError).
void define_apply_options(CLI::App &app, ApplyOptions &options);
void check_apply_options(ApplyOptions &options);
// The message for words the definitions refused: CLI11's own, or one that
// names a file taken for an option or for a name after "--".
std::string apply_usage_message(const CLI::App &app, const CLI::ParseError &error,
                                const std::vector<std::string> &after_dashes);

// Parses the words after "apply" with those definitions; throws UsageError
// for words it cannot use. "--help" leaves the help text in `help`.
ApplyOptions parse_apply_options(const std::vector<std::string> &words);

// The warnings for the numbers of O the plug-in's command reads only in
// part, one line each: "--amplitude '10cm': the text 'cm' after the number
// is ignored".  The command reads the longest prefix that is a number and
// ignores the rest.
std::vector<std::string> number_warnings(const ApplyOptions &o);

// Loads IN, selects as "standin select" does, runs pjtrilo_go of the loaded
// module, counts the vertices its undo step moved, draws the side view and
// writes OUT and the side view.  The number warnings of a command that
// ran are written to standard error.  Returns "moved N of M vertices in K object(s);
// wrote OUT[ and SIDE]".  A refused file, selection or parameter throws
// (Error, or ac::Error from the file) and writes nothing.
std::string apply_to_file(Host &host, const ApplyOptions &options);

}  // namespace standin

#endif
