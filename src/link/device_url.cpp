#include "link/device_url.h"

#include <cctype>

namespace m8163 {
namespace {

constexpr std::string_view kRfc2217 = "rfc2217://";
constexpr std::string_view kSocket = "socket://";

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i])
            return false;
    }
    return true;
}

bool isPortNumber(std::string_view text) {
    if (text.empty() || text.size() > 5)
        return false;
    unsigned value = 0;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0)
            return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace

bool isNetworkDevice(std::string_view device) {
    return startsWithNoCase(device, kRfc2217) || startsWithNoCase(device, kSocket);
}

std::optional<DeviceUrl> parseDeviceUrl(std::string_view device) {
    DeviceUrl url;
    std::string_view rest;
    if (startsWithNoCase(device, kRfc2217)) {
        url.protocol = NetworkProtocol::Rfc2217;
        rest = device.substr(kRfc2217.size());
    } else if (startsWithNoCase(device, kSocket)) {
        url.protocol = NetworkProtocol::RawTcp;
        rest = device.substr(kSocket.size());
    } else {
        return std::nullopt;
    }
    // A trailing slash is what a pasted URL often carries; nothing else may
    // follow the port.
    if (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    std::string_view host;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || close + 1 >= rest.size() || rest[close + 1] != ':')
            return std::nullopt;
        host = rest.substr(1, close - 1);
        port = rest.substr(close + 2);
    } else {
        const std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos)
            return std::nullopt;
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        // An IPv6 address must be bracketed, or its last group would be
        // taken for the port.
        if (host.find(':') != std::string_view::npos)
            return std::nullopt;
    }
    if (host.empty() || !isPortNumber(port))
        return std::nullopt;
    // No name or address holds these; a zero byte would cut the name that
    // the look-up sees short of the one the user is shown.
    for (char c : host) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isspace(b) != 0 || std::iscntrl(b) != 0 || c == '/' || c == '?' || c == '@' ||
            c == '[' || c == ']')
            return std::nullopt;
    }
    url.host = std::string(host);
    url.port = std::string(port);
    return url;
}

}  // namespace m8163
