#include "link/port_state.h"

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "link/device_access.h"
#include "link/device_url.h"
#include "link/serial_devices.h"

namespace m8163 {
namespace {

// The device node a link leads to; empty where it does not resolve or is
// the path itself.
std::string nodeOf(const std::string& device) {
    std::error_code error;
    const std::filesystem::path target = std::filesystem::canonical(device, error);
    return error || target.string() == device ? std::string() : target.string();
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
    state.device = device;
    if (!isNetworkDevice(device))
        state.node = nodeOf(device);
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
            return "Порт не открыт: нет устройства " + state.device +
                   ". Подключите его — откроется сам, или выберите порт (Ctrl+P)";
        case PortCondition::NoAccess:
            return "Порт не открыт: нет доступа к " + state.device +
                   (state.group ? ". Вступите в группу " + *state.group +
                                      " и войдите в систему заново; с доступом откроется сам"
                                : ". Права устройства не дают доступа; дадут — откроется сам");
        case PortCondition::Busy:
            return "Порт не открыт: " + state.device + " занят" +
                   (state.holders.empty() ? " другой программой. Закройте её"
                    : state.holders.size() == 1
                        ? " программой " + holderList(state.holders) + ". Закройте её"
                        : " программами " + holderList(state.holders) + ". Закройте их") +
                   " — откроется сам";
        case PortCondition::Failed:
            break;
    }
    return "Порт не открыт: " + state.device + ": " + state.reason;
}

std::string portStateHint(const PortState& state) {
    std::string hint = portStateText(state);
    if (!state.node.empty())
        hint += "\nУстройство: " + state.node;
    return hint;
}

}  // namespace m8163
