// FileSizeLimit: makes file writes beyond a size fail, as on a full disk, for one scope.
#pragma once

#include <csignal>
#include <sys/resource.h>

// While it lives, a write that would grow any file past 'bytes' fails with EFBIG instead of
// succeeding; this works even for root, unlike read-only folders.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &previous);
        rlimit limited = previous;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &previous);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit previous;
    void (*previousHandler)(int);
};
