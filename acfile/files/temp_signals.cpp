// While a temporary file exists, every signal that would end the process
// and can be caught removes the file first, then ends the process as it
// would have, so the exit status is the signal's. Only signals at their
// default are taken: one the process was started to ignore stays ignored,
// and a handler of someone else's is left to do its work. SIGXFSZ is
// ignored instead, so that a write beyond the limit on file size fails
// with a message. The handler uses only async-signal-safe calls, on a
// folder held open and a name kept in place: unlinkat through the folder
// finds the file even when the folder has been moved.
#include "files/file_replace.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <cstring>
#include <iterator>

namespace ac::detail {

namespace {

int g_temp_dir = -1;
char g_temp_name[NAME_MAX + 1];
volatile std::sig_atomic_t g_temp_live = 0;

bool ends_process(int sig)
{
    static constexpr int kEnding[] = {SIGHUP,    SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                      SIGFPE,    SIGUSR1, SIGSEGV,   SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                                      SIGSTKFLT, SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS};
    return std::find(std::begin(kEnding), std::end(kEnding), sig) != std::end(kEnding) ||
           (sig >= SIGRTMIN && sig <= SIGRTMAX);
}

extern "C" void remove_temp_and_die(int sig)
{
    remove_live_temp();
    ::signal(sig, SIG_DFL);
    ::raise(sig);  // delivered when the handler returns
}

}  // namespace

void note_live_temp(int dir, const std::string &name)
{
    std::memcpy(g_temp_name, name.c_str(), name.size() + 1);
    g_temp_dir = dir;
    g_temp_live = 1;
}

void forget_live_temp()
{
    g_temp_live = 0;
}

void remove_live_temp()
{
    if (g_temp_live) ::unlinkat(g_temp_dir, g_temp_name, 0);
}

SignalGuard::SignalGuard()
{
    struct sigaction take {};
    struct sigaction ignore {};
    take.sa_handler = remove_temp_and_die;
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&take.sa_mask);
    sigemptyset(&ignore.sa_mask);
    for (int s = 1; s < NSIG; ++s) {
        if ((s != SIGXFSZ && !ends_process(s)) || ::sigaction(s, nullptr, &old_[s]) != 0) continue;
        if ((old_[s].sa_flags & SA_SIGINFO) || old_[s].sa_handler != SIG_DFL) continue;
        taken_[s] = ::sigaction(s, s == SIGXFSZ ? &ignore : &take, nullptr) == 0;
    }
}

SignalGuard::~SignalGuard()
{
    for (int s = 1; s < NSIG; ++s)
        if (taken_[s]) ::sigaction(s, &old_[s], nullptr);
}

}  // namespace ac::detail
