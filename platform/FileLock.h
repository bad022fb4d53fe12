// FileLock: an advisory lock (flock) on a file that is replaced by rename while it is held.
#pragma once

#include <string>

// Holds an exclusive advisory lock on the file at 'path' for its lifetime, so that two games
// sharing a folder read-modify-write one file in turn. The file is created (empty) when it is
// missing, as a lock needs something to lock; when the lock ends with the path still naming that
// empty file (the save failed on a full disk or a file-size limit, or had nothing to write), it is
// removed again, so a failed save leaves no file behind. An empty file holds no records, so one
// left by an earlier version goes the same way. A link is followed to the file it names, but a
// dangling link never creates that file (the lock is then not held). Because saves replace the file
// by renaming a new one over it, the lock is taken on whatever the path names once the lock is
// granted: when another process replaced the file meanwhile, the new one is locked instead. Waiting
// is bounded: when the lock is not granted within 'waitMs' (a game that hangs while holding it),
// IsHeld() is false and the caller goes on without it.
class FileLock
{
public:
    explicit FileLock(const std::string &path, int waitMs = 3000);
    ~FileLock();
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;

    bool IsHeld() const { return fd >= 0; }

private:
    std::string path; ///< the file locked, as given
    int fd = -1;
};
