#pragma once

#include <string>

// The system's reason for a failure, in Russian like every other text of the
// program, whatever the process's own locale.

namespace m8163 {

// glibc's own Russian message where the machine has a Russian locale; else
// the same words for the reasons a port or a file of the program meets (no
// such file, access denied, busy, no such device, a folder, a full disk, a
// read-only file system ...); else the system's English.
std::string systemReason(int error);

}  // namespace m8163
