// FileLock: an advisory lock (flock) on a file that is replaced by rename while it is held.
#include "platform/FileLock.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace {

const long RETRY_NS = 2000000; // 2 ms between attempts while another process holds the lock

void Pause()
{
    timespec pause{0, RETRY_NS};
    ::nanosleep(&pause, nullptr);
}

} // namespace

FileLock::FileLock(const std::string &path, int waitMs) : path(path)
{
    const int attempts = waitMs > 0 ? waitMs * 1000000L / RETRY_NS : 1;
    for (int attempt = 0; attempt < attempts; ++attempt) {
        // O_NONBLOCK: the path may name a FIFO; opening it must not wait for a writer.
        const int flags = O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
        int candidate = ::open(path.c_str(), flags);
        if (candidate < 0 && errno == ENOENT) {
            // Missing: created here, never through a link (O_EXCL refuses one that appears
            // meanwhile). A dangling link is left for the save, which replaces the link itself
            // and never creates the file it names; the save goes on unlocked.
            struct stat link;
            if (::lstat(path.c_str(), &link) == 0) {
                if (S_ISLNK(link.st_mode)) {
                    return;
                }
                continue; // created by another game meanwhile
            }
            candidate = ::open(path.c_str(), flags | O_CREAT | O_EXCL | O_NOFOLLOW, 0666);
            if (candidate < 0 && errno == EEXIST) {
                continue;
            }
        }
        if (candidate < 0) {
            return; // folder missing or not writable, no permission: the save fails on its own
        }
        if (::flock(candidate, LOCK_EX | LOCK_NB) != 0) {
            ::close(candidate);
            if (errno != EWOULDBLOCK && errno != EINTR) {
                return;
            }
            Pause();
            continue;
        }
        // Locked; but if the path was renamed over meanwhile, this is the old file.
        struct stat held;
        struct stat named;
        if (::fstat(candidate, &held) == 0 && ::stat(path.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
            fd = candidate;
            return;
        }
        ::close(candidate);
    }
}

FileLock::~FileLock()
{
    if (fd < 0) {
        return;
    }
    // Removed while still locked, so that no game takes the empty file for its own meanwhile;
    // a game waiting for the lock finds the path gone once it is granted and starts over (see
    // the constructor). A file a save replaced is another one, and stays.
    struct stat held;
    struct stat named;
    if (::fstat(fd, &held) == 0 && held.st_size == 0 && ::lstat(path.c_str(), &named) == 0 &&
        S_ISREG(named.st_mode) && held.st_dev == named.st_dev && held.st_ino == named.st_ino) {
        ::unlink(path.c_str());
    }
    ::close(fd); // releases the lock
}
