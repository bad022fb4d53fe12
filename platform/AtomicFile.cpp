// AtomicFile: crash-safe whole-file replacement on POSIX (O_EXCL temporary, fsync, rename).
#include "platform/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "platform/SafeFile.h"

namespace {

// Distinguishes temporary names of saves running at the same time in this process.
std::atomic<unsigned> temporaryCounter{0};

bool Fail(std::string *error, const std::string &what, int errorNumber)
{
    if (error) {
        *error = what + ": " + std::error_code(errorNumber, std::generic_category()).message();
    }
    return false;
}

// Writes every byte, continuing after partial writes and interruptions.
bool WriteAll(int fd, const std::string &contents, int *errorNumber)
{
    const char *data = contents.data();
    size_t left = contents.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, left);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            *errorNumber = errno;
            return false;
        }
        data += written;
        left -= static_cast<size_t>(written);
    }
    return true;
}

// Makes a rename inside 'folder' durable. Some file systems cannot fsync a folder; the
// replacement has happened all the same, so failures here are ignored.
void SyncFolder(const std::string &folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// The process id in a temporary name ".<name>.tmp<pid>-<n>", with the file name in *name;
// 0 when 'entry' is not such a name.
pid_t TemporaryOwner(const std::string &entry, std::string *name)
{
    const size_t tmp = entry.rfind(".tmp");
    if (entry.size() < 2 || entry[0] != '.' || tmp == std::string::npos || tmp < 2) {
        return 0;
    }
    const size_t dash = entry.find('-', tmp);
    if (dash == std::string::npos || dash == tmp + 4 || dash + 1 == entry.size() ||
        dash - (tmp + 4) > 9) {
        return 0;
    }
    for (size_t i = tmp + 4; i < entry.size(); ++i) {
        if (i != dash && (entry[i] < '0' || entry[i] > '9')) {
            return 0;
        }
    }
    *name = entry.substr(1, tmp - 1);
    return static_cast<pid_t>(std::stol(entry.substr(tmp + 4, dash - (tmp + 4))));
}

} // namespace

int RemoveStaleTemporaries(const std::string &folder, const std::string &name)
{
    DIR *listing = ::opendir(folder.c_str());
    if (listing == nullptr) {
        return 0;
    }
    int removed = 0;
    while (const dirent *entry = ::readdir(listing)) {
        std::string owner;
        const pid_t pid = TemporaryOwner(entry->d_name, &owner);
        if (pid <= 0 || pid == ::getpid() || (!name.empty() && owner != name)) {
            continue;
        }
        // A process that exists (even one we may not signal) may still be writing it.
        if (::kill(pid, 0) == 0 || errno != ESRCH) {
            continue;
        }
        const std::string path = folder + "/" + entry->d_name;
        struct stat info;
        if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
            ::unlink(path.c_str()) == 0) {
            ++removed;
        }
    }
    ::closedir(listing);
    return removed;
}

bool ReplaceFileAtomically(const std::string &linkPath, const std::string &contents,
                           std::string *error)
{
    // A link to a file is written through: the player put the file elsewhere on purpose, and
    // replacing the link would leave the records there behind. A dangling link counts as no
    // file and is replaced by the new one, here, never created at the place it names.
    std::string path = linkPath;
    struct stat named;
    if (::lstat(linkPath.c_str(), &named) == 0 && S_ISLNK(named.st_mode)) {
        struct stat target;
        if (::stat(linkPath.c_str(), &target) == 0) {
            if (!S_ISREG(target.st_mode)) {
                return Fail(error, "\"" + linkPath + "\" links to something not a regular file",
                            EINVAL);
            }
            char *resolved = ::realpath(linkPath.c_str(), nullptr);
            if (resolved == nullptr) {
                return Fail(error, "cannot follow the link \"" + linkPath + "\"", errno);
            }
            path = resolved;
            std::free(resolved);
        } else if (errno != ENOENT) {
            return Fail(error, "cannot follow the link \"" + linkPath + "\"", errno);
        }
    }
    // A file that is there but that this process may not read is not the game's to replace:
    // its permissions were taken away on purpose, and what it holds would be lost.
    std::string unreadable;
    if (CheckRegularFile(path, SIZE_MAX, &unreadable) == SafeReadResult::Unreadable) {
        if (error) {
            *error = "cannot read \"" + path + "\" (" + unreadable + "), not replaced";
        }
        return false;
    }
    const size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        return Fail(error, "no file name in \"" + path + "\"", EINVAL);
    }

    RemoveStaleTemporaries(folder, name);

    // A temporary name nobody else uses: O_EXCL refuses an existing file, so a leftover of
    // an earlier crash or a concurrent save is never overwritten, only skipped.
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder + "/." + name + ".tmp" + std::to_string(::getpid()) + "-" +
                    std::to_string(temporaryCounter.fetch_add(1));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) {
            return Fail(error, "cannot create a temporary file in \"" + folder + "\"", errno);
        }
    }
    if (fd < 0) {
        return Fail(error, "no free temporary name in \"" + folder + "\"", EEXIST);
    }

    struct stat old;
    if (::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode)) {
        ::fchmod(fd, old.st_mode & 07777);
    }

    int errorNumber = 0;
    std::string step;
    if (!WriteAll(fd, contents, &errorNumber)) {
        step = "cannot write \"" + temporary + "\"";
    } else if (::fsync(fd) != 0) {
        errorNumber = errno;
        step = "cannot flush \"" + temporary + "\" to disk";
    }
    if (::close(fd) != 0 && step.empty()) {
        errorNumber = errno;
        step = "cannot close \"" + temporary + "\"";
    }
    if (step.empty() && ::rename(temporary.c_str(), path.c_str()) != 0) {
        errorNumber = errno;
        step = "cannot replace \"" + path + "\"";
    }
    if (!step.empty()) {
        ::unlink(temporary.c_str());
        return Fail(error, step, errorNumber);
    }
    SyncFolder(folder);
    return true;
}

void PrepareSafeSaving(const std::vector<std::string> &folders)
{
    std::signal(SIGXFSZ, SIG_IGN);
    for (const std::string &folder : folders) {
        RemoveStaleTemporaries(folder);
    }
}
