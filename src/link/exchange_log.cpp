#include "link/exchange_log.h"

#include <cstdio>
#include <string>

#include "link/log_file.h"

namespace m8163 {
namespace {

// Bytes as they are: every "\r\n" below reaches the file as exactly CR LF.
// Only a reply may rotate the file, so that a request and its reply are
// never split between the renamed file and the new one.
enum class Rotation { Never, AtSize };
void append(const ConnectionSettings& settings, const std::string& record, Rotation rotation) {
    appendToLogFile(settings.logFileName, record,
                    rotation == Rotation::AtSize ? settings.logRotateBytes : 0);
}

std::string stampLine(const LocalTime& t, char timeSeparator) {
    char line[128];
    std::snprintf(line, sizeof line, "%02u %02u %02u %02u%c%02u%c%02u.%03u \r\n", t.day, t.month,
                  t.year, t.hour, timeSeparator, t.minute, timeSeparator, t.second, t.millisecond);
    return line;
}

std::string hexDump(const std::uint8_t* bytes, std::size_t count) {
    std::string dump;
    dump.reserve(count * 3);
    for (std::size_t i = 0; i < count; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %02x", bytes[i]);
        dump += byte;
    }
    return dump;
}

bool logOn(const ConnectionSettings& settings) {
    return settings.useLogFile == 1;
}

}  // namespace

void logRequest(const ConnectionSettings& settings, const Clock& clock, const std::uint8_t* bytes,
                std::size_t count) {
    if (!logOn(settings))
        return;
    std::string record = "\r\n____________________________\r\n";
    record += stampLine(clock.now(), '-');
    record += "Send:\r\n";
    record += hexDump(bytes, count);
    append(settings, record, Rotation::Never);
}

void logReply(const ConnectionSettings& settings, const Clock& clock, const std::uint8_t* bytes,
              std::size_t count, ReplyStamp stamp) {
    if (!logOn(settings))
        return;
    std::string record = "\r\n";
    record += stampLine(clock.now(), stamp == ReplyStamp::Colons ? ':' : '-');
    record += "Answ:\r\n";
    record += hexDump(bytes, count);
    append(settings, record, Rotation::AtSize);
}

}  // namespace m8163
