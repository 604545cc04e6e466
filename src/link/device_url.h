#pragma once

#include <optional>
#include <string>
#include <string_view>

// A serial device server named by URL, as serial tools name one:
// "rfc2217://host:port" (the server's line format and control lines set over
// the connection) or "socket://host:port" (plain TCP, the format fixed on
// the server). The host is a name, an IPv4 address or an IPv6 address in
// brackets ("rfc2217://[::1]:2217").

namespace m8163 {

enum class NetworkProtocol { Rfc2217, RawTcp };

struct DeviceUrl {
    NetworkProtocol protocol = NetworkProtocol::Rfc2217;
    std::string host;  // without brackets
    std::string port;  // decimal, 1 ... 65535
};

// Whether `device` names a server rather than a local device: it starts with
// one of the two schemes (letter case does not count).
bool isNetworkDevice(std::string_view device);

// The URL's parts; nothing when it is no well-formed URL of the two kinds.
std::optional<DeviceUrl> parseDeviceUrl(std::string_view device);

}  // namespace m8163
