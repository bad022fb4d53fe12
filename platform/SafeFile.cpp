// SafeFile: reading a whole file that may be hostile: never blocks, regular files only, size cap.
#include "platform/SafeFile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include "platform/MessageBox.h"
#include "text/MessageCatalog.h"

namespace {

SafeReadResult Refuse(std::string *reason, const std::string &text)
{
    if (reason != nullptr) {
        *reason = text;
    }
    return SafeReadResult::Refused;
}

SafeReadResult Unreadable(std::string *reason, int error)
{
    if (reason != nullptr) {
        *reason = std::error_code(error, std::generic_category()).message();
    }
    return SafeReadResult::Unreadable;
}

std::string SizeText(size_t bytes)
{
    return bytes % (1u << 20) == 0 ? std::to_string(bytes >> 20) + " MB"
                                   : std::to_string(bytes) + " bytes";
}

// Closes the descriptor when the read ends, whichever way.
class Descriptor
{
public:
    explicit Descriptor(int fd) : fd(fd) {}
    ~Descriptor()
    {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int fd;
};

// Opens 'path' the way every read here does: never waiting, a regular file only, at most
// 'maxBytes' as far as its size tells. Read when the file may be read from file.fd.
SafeReadResult OpenRegularFile(const std::string &path, size_t maxBytes, Descriptor &file,
                               struct stat &info, std::string *reason)
{
    // O_NONBLOCK: opening a FIFO without a writer (or a device that waits) returns at once.
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (file.fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) {
            return SafeReadResult::Missing;
        }
        return Unreadable(reason, errno);
    }
    if (::fstat(file.fd, &info) != 0) {
        return Unreadable(reason, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        // Marked for translation: the menus show these reasons on screen.
        return Refuse(reason, S_ISDIR(info.st_mode) ? TrNoop("is a folder, not a file")
                                                    : TrNoop("not a regular file, not read"));
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        return Refuse(reason, "larger than " + SizeText(maxBytes) + ", not read");
    }
    return SafeReadResult::Read;
}

} // namespace

SafeReadResult CheckRegularFile(const std::string &path, size_t maxBytes, std::string *reason)
{
    Descriptor file(-1);
    struct stat info;
    return OpenRegularFile(path, maxBytes, file, info, reason);
}

SafeReadResult ReadRegularFile(const std::string &path, size_t maxBytes, std::string &bytes,
                               std::string *reason)
{
    bytes.clear();
    Descriptor file(-1);
    struct stat info;
    const SafeReadResult opened = OpenRegularFile(path, maxBytes, file, info, reason);
    if (opened != SafeReadResult::Read) {
        return opened;
    }
    bytes.resize(static_cast<size_t>(info.st_size));
    size_t got = 0;
    // One byte more than the cap is asked for, so that a file still growing is noticed.
    while (true) {
        if (got == bytes.size()) {
            if (bytes.size() > maxBytes) {
                bytes.clear();
                return Refuse(reason, "larger than " + SizeText(maxBytes) + ", not read");
            }
            // Everything the size promised is read. A small read shows whether the file holds
            // more (it is still being written; files of /proc report 0 bytes) before the
            // buffer grows, so that an ordinary file is never copied into a larger buffer.
            char probe[4096];
            const ssize_t n = ::read(file.fd, probe, sizeof probe);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (n < 0) {
                    const int error = errno;
                    bytes.clear();
                    return Unreadable(reason, error);
                }
                break;
            }
            bytes.resize(std::min(maxBytes + 1, std::max<size_t>(bytes.size() * 2, 4096)));
            const size_t taken = std::min(static_cast<size_t>(n), bytes.size() - got);
            std::memcpy(&bytes[got], probe, taken);
            got += taken;
            continue;
        }
        const ssize_t n = ::read(file.fd, &bytes[got], bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            const int error = errno;
            bytes.clear();
            return Unreadable(reason, error);
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    bytes.resize(got);
    return SafeReadResult::Read;
}

void WarnRefusedFileOnce(const std::string &path, const std::string &reason)
{
    static std::mutex mutex;
    static std::set<std::string> warned;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!warned.insert(path + '\n' + reason).second) {
            return;
        }
    }
    ShowWarning(path, reason);
}
