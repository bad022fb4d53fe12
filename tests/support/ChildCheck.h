// ChildCheck: runs a check in a child process, optionally as the unprivileged user "nobody".
#pragma once

#include <cerrno>
#include <functional>
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

// The user and group id of "nobody" on Debian.
const uid_t kNobody = 65534;

// Runs 'check' in a forked child and returns true when it returned true. The child is ended
// by SIGALRM after 'seconds' (a read that blocks or never ends fails the check instead of
// hanging the tests). With 'asNobody', a child running as root first drops every privilege
// (supplementary groups, group, user) to nobody, so permission checks apply as they do for a
// player; a child that is not root runs the check as itself. Files the check uses must be
// reachable by nobody (a scratch folder chmod'ed 0777).
inline bool PassesInChild(const std::function<bool()> &check, bool asNobody = false,
                          unsigned seconds = 20)
{
    const pid_t child = ::fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        ::alarm(seconds);
        if (asNobody && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0 ||
             ::setresuid(kNobody, kNobody, kNobody) != 0 || ::geteuid() == 0)) {
            ::_exit(2);
        }
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
