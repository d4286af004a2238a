// The one hook for tests that interrupt a load or a save at a fixed moment.
// With RILO_TEST_STOP=MOMENT in the environment the process stops itself
// (SIGSTOP) on reaching MOMENT and goes on when continued (SIGCONT), so that
// what a test does in between (changing IN, sending a signal) lands at that
// moment every time:
//
//   load    IN open and its text read (mapped or copied), not yet checked
//   save    IN open and the temporary file made, as the writer starts
//   rename  the temporary file written in full and synced, not yet renamed
//           over OUT: a signal sent then must remove it
//
// This is the only place the variable is read; nothing but the tests sets it.
#ifndef RILO_ACFILE_TEST_STOP_H
#define RILO_ACFILE_TEST_STOP_H

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace ac::detail {

inline void stop_for_tests(const char *moment)
{
    const char *stop = std::getenv("RILO_TEST_STOP");
    if (stop && std::strcmp(stop, moment) == 0) ::raise(SIGSTOP);
}

}  // namespace ac::detail

#endif
