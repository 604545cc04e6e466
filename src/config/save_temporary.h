#pragma once

#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

// The temporary file a settings save writes before it renames it over the
// file it replaces. It lies beside that file and its name says whose it is:
// "." + file name + ".save-" + process id + "-" + six random characters,
// for example ".dev.dat.save-4711-a8Zq0c". The writing process holds an
// flock on it until the save is done. A save killed half-way leaves it
// behind; the next load of the file removes it.

namespace m8163 {

// A temporary younger than this is left alone even when unlocked: the writer
// may not have taken its lock yet, and its process id may belong to it.
inline constexpr std::chrono::seconds kSaveTemporaryGrace{60};

// Creates a new, locked temporary for the file at `target`; returns its
// descriptor and sets `temporaryPath`, or returns -1 with errno set. Closing
// the descriptor releases the lock.
int createSaveTemporary(const std::string& target, std::string& temporaryPath);

// Removes the temporaries of `target` that no save is writing: those whose
// process is gone, and those older than kSaveTemporaryGrace that nobody
// holds locked (the process id was reused). Files of other names, and
// anything that is not a plain file, stay. Failures are ignored: a leftover
// is litter, not a fault. Returns how many were removed.
int removeStaleSaveTemporaries(const std::string& target);

// Replaces the file at `to` by the one at `from`; 0 on success, else -1
// with errno set, like rename(2). Tests put a failing one in its place.
using ReplaceFunction = std::function<int(const std::string& from, const std::string& to)>;

// The outcome of writeThroughTemporary.
struct TemporaryWrite {
    int error = 0;             // errno of the step that failed; 0 when the file was replaced
    bool noTemporary = false;  // no temporary could be made (the folder refused it)
};

// Replaces the content of `target` by `bytes`: written to a new locked
// temporary beside it, given `mode` (and the old file's owner where the
// system allows), flushed to the disk, renamed over `target` with `replace`,
// and the folder flushed so that the rename lasts. On a failure the
// temporary is removed and `target` is left as it was.
TemporaryWrite writeThroughTemporary(const std::string& target, std::string_view bytes, mode_t mode,
                                     const struct stat* old, const ReplaceFunction& replace);

// The mode a new file gets: read and write for all, less the umask.
mode_t newFileMode();

}  // namespace m8163
