// AtomicFile: crash-safe replacement of a whole file (temporary file, fsync, rename).
#pragma once

#include <string>
#include <vector>

// Replaces the file at 'path' with exactly 'contents', so that at every moment the path holds
// either the complete old file or the complete new one, also across a crash or power loss:
// the new contents go to a temporary file in the same folder (hidden name starting with
// ".<file name>.tmp"), which is flushed and fsync'ed, then renamed over the old file, and the
// folder is fsync'ed so the rename itself is durable. A new file gets the usual permissions
// (0666 less the umask); a replaced file keeps its permission bits. When 'path' is a symbolic
// link to a regular file, that file is replaced instead (temporary file in its folder); a
// dangling link is replaced by the new file; a link to anything else is a failure, and so is a
// file that is there but that this process may not read (what it holds would be lost).
// Returns true on success. On failure (folder missing or not writable, disk full, the path is
// a folder, ...) the old file is left exactly as it was, the temporary file is removed, and
// false is returned with a short reason in *error when 'error' is not null.
bool ReplaceFileAtomically(const std::string &path, const std::string &contents,
                           std::string *error = nullptr);

// Removes the temporary files that ReplaceFileAtomically left in 'folder' when a game was
// killed between creating and renaming one (".<name>.tmp<pid>-<n>" whose process <pid> no
// longer exists). With a non-empty 'name' only that file's temporaries are looked at.
// Returns how many were removed.
int RemoveStaleTemporaries(const std::string &folder, const std::string &name = "");

// Start-up preparation of a process that saves files: a write past the file-size limit
// (RLIMIT_FSIZE) then fails with EFBIG, like a full disk, and is reported by the save,
// instead of SIGXFSZ ending the process with its records unsaved; and the stale temporary
// files in 'folders' are removed.
void PrepareSafeSaving(const std::vector<std::string> &folders);
