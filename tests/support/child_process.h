// A process a test starts and owns: an X server, a window manager, a print
// server, the program itself.
//
// Tests run side by side and may crash or be killed by a time limit. A child
// must never outlive its test, or it keeps a display, a socket or a printer
// queue that the next run trips over:
// - the child asks the kernel for a signal when the test process goes
//   (PR_SET_PDEATHSIG), so a crash or a SIGKILL of the test ends it too;
// - it leads a process group of its own, and Stop() ends the whole group,
//   so what it started itself goes with it.
//
// The death signal is tied to the thread that started the child: start
// children from the test's main thread only.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct ChildOptions {
    std::filesystem::path dir;  // its working folder (unchanged when empty)
    std::filesystem::path log;  // where its output and errors go (kept when empty)
    int passFd = -1;            // a descriptor it inherits under the same number
    int deathSignal = SIGTERM;  // what it gets when the test process ends
};

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess() { Stop(); }

    // Starts args[0] (a path) with this process's environment, in which each
    // "NAME=value" of `env` replaces or adds a variable. False when it could
    // not be started.
    bool Start(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
               const ChildOptions& options = ChildOptions());
    // Whether it still runs (it is reaped by Stop, not here).
    bool Running() const;
    // Ends its process group: SIGTERM, then SIGKILL for what is left after a
    // grace period. Does nothing when nothing was started.
    void Stop();
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = -1;
};

// What a child process measured: how far its resident memory rose above what
// it held when it began (its peak, in KiB) and the text its work gave.
struct Measured {
    long grewKiB = 0;
    std::string text;
};

// Runs `work` in a forked child process and measures the peak of its
// resident memory (ru_maxrss, which the child starts again from what is
// resident when it begins). Without the address sanitizer its address space
// is bounded too, at three times the budget, so that holding far more fails
// there instead of ending well; with it, the shadow memory and the
// quarantine make such a bound meaningless, and the peak alone is judged
// (the sanitizer adds about an eighth of what is touched). An exception of
// `work` gives its what(). The child is forked from the calling thread; a
// failure to start or a crash is a test failure.
Measured MeasureInChild(long budgetKiB, const std::function<std::string()>& work);
