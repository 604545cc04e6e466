#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The program's log files (the exchange log, the measurement log): text
// appended a record at a time, the file opened and closed around each one so
// that other programs may read or move it in between. Only a plain file is
// written: a FIFO would block the program for good, and a device or a folder
// is no log, so anything else is refused without waiting.

namespace m8163 {

// Why the log file at `path` cannot take records, in the user's words; empty
// when it can (a plain file, or no file yet in a folder that takes one).
std::string logFileRefusal(const std::string& path);

// Appends `text` to the file at `path`, creating it when missing. Never
// waits on what stands at the name; false when nothing or not all was
// written (the record is then lost, nothing else). With `rotateAtBytes`
// above 0, a file that has reached that size after the append is renamed to
// `path` + ".1", replacing an older one: the record is whole in it, and the
// next one starts a new file.
bool appendToLogFile(const std::string& path, std::string_view text,
                     std::uint64_t rotateAtBytes = 0);

}  // namespace m8163
