#pragma once

#include <string>

// The system's reason for a failure, in Russian like every other text of the
// program, whatever the process's own locale.

namespace m8163 {

// glibc's own Russian message where the machine has a Russian locale; else
// the same words for the reasons the program names (no such file, access
// denied, busy, not a terminal, no such device); else the system's English.
std::string systemReason(int error);

}  // namespace m8163
