#include "child_process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <climits>
#include <fstream>
#include <sys/resource.h>

#include <gtest/gtest.h>

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

namespace {

// The resident memory of this process now, in KiB.
long ResidentKiB()
{
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

Measured MeasureInChild(long budgetKiB, const std::function<std::string()>& work)
{
    Measured m;
    int channel[2];
    if (pipe(channel) != 0) {
        ADD_FAILURE() << "no pipe";
        return m;
    }
    const pid_t child = fork();
    if (child < 0) {
        ADD_FAILURE() << "no fork";
        return m;
    }
    if (child == 0) {
        close(channel[0]);
        // The peak starts again from what is resident now (not the parent's).
        std::ofstream("/proc/self/clear_refs") << "5";
#if !defined(__SANITIZE_ADDRESS__)
        const rlimit bound{static_cast<rlim_t>(ResidentKiB() + 3 * budgetKiB) * 1024,
                           static_cast<rlim_t>(ResidentKiB() + 3 * budgetKiB) * 1024};
        setrlimit(RLIMIT_AS, &bound);
#endif
        const long before = ResidentKiB();
        std::string text;
        try {
            text = work();
        } catch (const std::exception& e) {
            text = e.what();
        }
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        const std::string report = std::to_string(usage.ru_maxrss - before) + "\n" + text;
        if (write(channel[1], report.data(), report.size()) < 0) _exit(2);
        _exit(0);
    }
    close(channel[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the child was killed or failed (status " << status << ")";
    const std::size_t line = report.find('\n');
    if (line == std::string::npos) {
        ADD_FAILURE() << "no report: " << report;
        m.grewKiB = LONG_MAX;
        return m;
    }
    m.grewKiB = std::stol(report.substr(0, line));
    m.text = report.substr(line + 1);
    return m;
}

