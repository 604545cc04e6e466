// libFuzzer target for the device URL parser (a COM number's mapping in
// dev.dat, m8163ctl --device): any text. Properties: only a text that starts
// with a scheme may parse; what parses has a host without blanks or slashes
// and a port of 1 ... 65535, and the URL written back from its parts parses
// to the same parts.

#include <cstdint>
#include <string>

#include "fuzz_input.h"
#include "link/device_url.h"

using m8163::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text = m8163::fuzz::text({data, size});
    const auto url = m8163::parseDeviceUrl(text);
    if (!m8163::isNetworkDevice(text)) {
        check(!url, "a text without a scheme parsed");
        return 0;
    }
    if (!url)
        return 0;
    check(!url->host.empty(), "empty host");
    for (char c : url->host)
        check(c != ' ' && c != '\t' && c != '\n' && c != '/', "host holds a blank or slash");
    check(!url->port.empty() && url->port.size() <= 5 &&
              url->port.find_first_not_of("0123456789") == std::string::npos,
          "port is no number");
    const unsigned long port = std::stoul(url->port);
    check(port >= 1 && port <= 65535, "port out of range");

    const bool v6 = url->host.find(':') != std::string::npos;
    const std::string again =
        std::string(url->protocol == m8163::NetworkProtocol::Rfc2217 ? "rfc2217://" : "socket://") +
        (v6 ? "[" + url->host + "]" : url->host) + ":" + url->port;
    const auto reparsed = m8163::parseDeviceUrl(again);
    check(reparsed && reparsed->protocol == url->protocol && reparsed->host == url->host &&
              reparsed->port == url->port,
          "the URL written back parses otherwise");
    return 0;
}
