#include "link/port_state.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "link/device_access.h"
#include "link/device_url.h"
#include "link/serial_devices.h"

namespace m8163 {
namespace {

// The device a link such as /dev/serial/by-id/... leads to: the name the
// kernel's messages and other tools use.
std::string resolved(const std::string& device) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(device, error);
    return error ? device : target.string();
}

std::string holderList(const std::vector<PortHolder>& holders) {
    std::string text;
    for (const PortHolder& holder : holders) {
        text += text.empty() ? "" : ", ";
        text += holder.name + " (PID " + std::to_string(holder.pid) + ")";
    }
    return text;
}

}  // namespace

PortState portStateAfterOpen(const std::string& device, const OpenResult& result) {
    PortState state;
    state.device = isNetworkDevice(device) ? device : resolved(device);
    if (result.ok) {
        state.condition = PortCondition::Open;
        if (const auto url = parseDeviceUrl(device))
            state.description = url->protocol == NetworkProtocol::Rfc2217
                                    ? "сервер порта, RFC 2217"
                                    : "сервер порта, TCP (формат линии задан на сервере)";
        else
            state.description = deviceDescription(device);
        return state;
    }
    state.reason = result.reason;
    switch (result.error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            state.condition = PortCondition::Missing;
            state.device = device;
            break;
        case EACCES:
        case EPERM:
            state.condition = PortCondition::NoAccess;
            state.group = grantingGroup(deviceAccess(device));
            break;
        case EBUSY:
            state.condition = PortCondition::Busy;
            state.holders = portHolders(device);
            break;
        default:
            state.condition = PortCondition::Failed;
            break;
    }
    return state;
}

std::string portStateText(const PortState& state) {
    switch (state.condition) {
        case PortCondition::Closed:
            return "Порт закрыт";
        case PortCondition::Open:
            return state.description.empty() ? state.device
                                             : state.device + " · " + state.description;
        case PortCondition::Lost:
            if (isNetworkDevice(state.device))
                return "Порт не открыт: связь с " + state.device +
                       " прервана; восстановится — откроется сам";
            return "Порт не открыт: " + state.device +
                   " пропал (адаптер отключён?); вернётся — откроется сам";
        case PortCondition::Missing:
            return "Порт не открыт: нет устройства " + state.device + ". Выберите порт (Ctrl+P)";
        case PortCondition::NoAccess:
            return "Порт не открыт: нет доступа к " + state.device +
                   (state.group ? ". Вступите в группу " + *state.group
                                : ". Права устройства не дают доступа");
        case PortCondition::Busy:
            return "Порт не открыт: " + state.device + " занят" +
                   (state.holders.empty() ? " другой программой"
                                          : " программой " + holderList(state.holders));
        case PortCondition::Failed:
            break;
    }
    return "Порт не открыт: " + state.device + ": " + state.reason;
}

}  // namespace m8163
