#include "child_process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace {

std::string NameOf(const std::string& variable) { return variable.substr(0, variable.find('=')); }

}  // namespace

bool ChildProcess::Start(const std::vector<std::string>& args, const std::vector<std::string>& env,
                         const ChildOptions& options)
{
    Stop();
    if (args.empty()) return false;
    // Everything the child needs is built before the fork: between fork and
    // exec only async-signal-safe calls are allowed.
    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string s = *e;
        bool replaced = false;
        for (const std::string& n : env) replaced = replaced || NameOf(n) == NameOf(s);
        if (!replaced) envStrings.push_back(s);
    }
    envStrings.insert(envStrings.end(), env.begin(), env.end());
    std::vector<char*> argv, envp;
    std::vector<std::string> argStrings = args;
    for (std::string& a : argStrings) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& s : envStrings) envp.push_back(s.data());
    envp.push_back(nullptr);
    const std::string dir = options.dir.string(), log = options.log.string();
    const pid_t parent = ::getpid();

    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, options.deathSignal);
        // The test may have ended between the fork and the request above.
        if (::getppid() != parent) ::_exit(127);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        if (!log.empty()) {
            const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (fd >= 0) {
                ::dup2(fd, 1);
                ::dup2(fd, 2);
            }
        }
        if (options.passFd >= 0) ::fcntl(options.passFd, F_SETFD, 0);
        if (!dir.empty() && ::chdir(dir.c_str()) != 0) ::_exit(127);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    // Set here too, so that Stop() reaches the group even before the child
    // has run its first instruction.
    ::setpgid(pid, pid);
    pid_ = pid;
    return true;
}

bool ChildProcess::Running() const
{
    if (pid_ <= 0) return false;
    siginfo_t info{};
    // WNOWAIT: an ended child stays a zombie, so its number (and its group's)
    // cannot go to another process before Stop() has swept the group.
    if (::waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return false;
    return info.si_pid == 0;
}

void ChildProcess::Stop()
{
    if (pid_ <= 0) return;
    using namespace std::chrono_literals;
    ::kill(-pid_, SIGTERM);
    for (int i = 0; i < 150 && Running(); ++i) std::this_thread::sleep_for(20ms);
    ::kill(-pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}
