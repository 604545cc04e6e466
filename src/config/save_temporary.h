#pragma once

#include <chrono>
#include <string>

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

}  // namespace m8163
