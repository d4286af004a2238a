#include "commands.h"

#include "error.h"
#include "host.h"

namespace standin {

const RegisteredCommand *CommandRegistry::find(const std::string &name) const
{
    for (const auto &c : commands_) {
        if (c.name == name) return &c;
    }
    return nullptr;
}

bool ac3d_request(std::string_view word)
{
    if (word != kAc3dRequest) return false;
    host().count_remake_subdivisions();
    return true;
}

bool host_builtin_command(const std::string &text)
{
    constexpr std::string_view ac3d = "ac3d ";
    if (text.starts_with(ac3d) && ac3d_request(std::string_view(text).substr(ac3d.size()))) return true;
    // A plug-in sources its script at initialisation.  Without an
    // interpreter there is nothing to read it into: the request is only
    // recorded, like every other text.
    return text.rfind("source ", 0) == 0;
}

namespace {

// The words a registered procedure is called with: the command's name, the
// parameters, and a null.
struct CommandWords {
    std::vector<std::string> words;
    std::vector<char *> argv;

    CommandWords(const RegisteredCommand &command, const std::vector<std::string> &params) : words{command.name}
    {
        words.insert(words.end(), params.begin(), params.end());
        for (auto &w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
    }
};

CommandOutcome call_checked(const RegisteredCommand &command, const std::vector<std::string> &params, bool checked)
{
    CommandWords words(command, params);
    Host &h = host();
    const size_t shown = h.messages().written();
    h.settle_box();
    if (checked) h.checks().begin(h);
    command.proc(static_cast<int>(words.words.size()), words.argv.data());
    h.checks().end(h);
    if (h.messages().written() == shown) return {};
    return CommandOutcome{.refused = true, .message = h.messages().back()};
}

// The host runs the live preview's command while this lives, however the
// command ends.
class LivePreviewRuns {
public:
    explicit LivePreviewRuns(Host &host) : host_(host) { host_.set_running_live_preview(true); }
    ~LivePreviewRuns() { host_.set_running_live_preview(false); }
    LivePreviewRuns(const LivePreviewRuns &) = delete;
    LivePreviewRuns &operator=(const LivePreviewRuns &) = delete;

private:
    Host &host_;
};

}  // namespace

CommandOutcome invoke_command(const RegisteredCommand &command, const std::vector<std::string> &params)
{
    Host &h = host();
    if (h.running_live_preview()) return call_checked(command, params, h.strict);
    h.clear_live_preview();
    if (h.on_work) h.on_work(command.name, true);
    const WorkEnds ends(h, command.name);
    return call_checked(command, params, h.strict);
}

CommandOutcome run_live_preview(const RegisteredCommand &command, const std::vector<std::string> &params)
{
    Host &h = host();
    if (h.checks().active() || h.running_live_preview()) throw Error("no live preview while a plug-in command runs");
    h.clear_live_preview();
    const RecordMarks marks = h.record_marks();
    CommandOutcome outcome;
    {
        const LivePreviewRuns runs(h);
        // The live preview is taken back through its undo step: the checks
        // make sure the step holds every coordinate the command changed.
        outcome = call_checked(command, params, true);
    }
    h.forget_records_since(marks);
    h.tell_changed();
    return outcome;
}

}  // namespace standin
