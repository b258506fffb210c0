// Runs a body in a child process as the unprivileged user "nobody" and answers
// its exit code (0: its checks passed; 100: the user could not be taken; 200:
// the child died). Root ignores file permissions, so read-only cases can only
// be shown without it; callers skip unless they run as the superuser.
#pragma once

#include <functional>
#include <sys/wait.h>
#include <unistd.h>

inline int RunAsNobody(const std::function<int()>& body)
{
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 200;
}
