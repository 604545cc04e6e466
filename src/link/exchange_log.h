#pragma once

#include <cstddef>
#include <cstdint>

#include "base/clock.h"
#include "link/connection_settings.h"

// The exchange log: a hexadecimal trace of every request and reply, appended
// to the file named in the connection settings while their log switch is 1.
// Each record opens the file, appends and closes it; a file that cannot be
// opened, or is no plain file, is skipped without a word and without
// waiting, so logging never disturbs an exchange (log_file.h). Once the file
// has reached the settings' rotation size it is renamed with a ".1" suffix,
// after a reply only: a request and its reply stay in one file.

namespace m8163 {

// How the time of a reply record is written: "hh-mm-ss" after a read,
// "hh:mm:ss" after a write of registers (requests always use hyphens).
enum class ReplyStamp { Hyphens, Colons };

// Appends the request just written to the port.
void logRequest(const ConnectionSettings& settings, const Clock& clock, const std::uint8_t* bytes,
                std::size_t count);

// Appends the bytes the read returned (count may be 0).
void logReply(const ConnectionSettings& settings, const Clock& clock, const std::uint8_t* bytes,
              std::size_t count, ReplyStamp stamp);

}  // namespace m8163
