#include "sim/state_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/json_text.h"

namespace m8163::sim {

namespace {

std::string words(const ModuleModel& module, std::uint16_t base, unsigned count) {
    std::string out = "[";
    for (unsigned i = 0; i < count; ++i) {
        if (i > 0)
            out += ", ";
        out += std::to_string(module.reg(static_cast<std::uint16_t>(base + i)));
    }
    return out + "]";
}

}  // namespace

std::string stateJson(const Line& line) {
    std::string out = "{\"badFrames\": " + std::to_string(line.badFrames()) + ", \"modules\": [";
    bool first = true;
    for (const ModuleModel& m : line.modules()) {
        if (!first)
            out += ",";
        first = false;
        LineFormat format = m.format();
        out += "\n  {\"address\": " + std::to_string(m.address()) +
               ", \"speed\": " + std::to_string(format.speed) +
               ", \"parity\": " + std::to_string(format.parity) +
               ", \"init\": " + (m.initMode() ? "true" : "false") +
               ", \"requests\": " + std::to_string(m.counters.requests) +
               ", \"replies\": " + std::to_string(m.counters.replies) +
               ", \"blinks\": " + std::to_string(m.counters.blinks) +
               ",\n   \"userText\": " + jsonQuoted(m.text(reg::kUserText, 16)) +
               ", \"typeName\": " + jsonQuoted(m.text(reg::kTypeName, 32)) +
               ",\n   \"measurement\": " + words(m, 0x0000, 7) +
               ",\n   \"general\": " + words(m, 0x0400, 0x17) +
               ",\n   \"sensor\": " + words(m, 0x0500, 0x3F) + "}";
    }
    return out + "\n]}\n";
}

std::string replaceFile(const std::string& path, const std::string& text) {
    std::string temp = path + ".tmp" + std::to_string(::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return temp + ": " + std::strerror(errno);
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            std::string reason = temp + ": " + std::strerror(errno);
            ::close(fd);
            ::unlink(temp.c_str());
            return reason;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        std::string reason = path + ": " + std::strerror(errno);
        ::unlink(temp.c_str());
        return reason;
    }
    return {};
}

}  // namespace m8163::sim
