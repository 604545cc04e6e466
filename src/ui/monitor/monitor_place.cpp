#include "ui/monitor/monitor_place.h"

#include <algorithm>
#include <exception>

#include "config/ini_file.h"

namespace m8163 {
namespace {

constexpr const char* kSection = "MONITOR";

}  // namespace

std::optional<QRect> loadMonitorPlace(const std::string& path) {
    try {
        if (!checkSettingsFile(path))
            return std::nullopt;
        const IniFile ini(path);
        const QRect place(ini.readInt(kSection, "Left", 0), ini.readInt(kSection, "Top", 0),
                          ini.readInt(kSection, "Width", 0), ini.readInt(kSection, "Height", 0));
        if (place.width() <= 0 || place.height() <= 0)
            return std::nullopt;
        return place;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void saveMonitorPlace(const std::string& path, const QRect& place) {
    try {
        IniFile ini(path);
        ini.writeInt(kSection, "Left", place.left());
        ini.writeInt(kSection, "Top", place.top());
        ini.writeInt(kSection, "Width", place.width());
        ini.writeInt(kSection, "Height", place.height());
        ini.save();
    } catch (const std::exception&) {
        // The place is a convenience; the profile's own save reports its
        // file at close.
    }
}

QRect fitToScreen(QRect wanted, const QRect& available) {
    if (available.isEmpty())
        return wanted;
    wanted.setSize(wanted.size().boundedTo(available.size()));
    wanted.moveLeft(std::clamp(wanted.left(), available.left(),
                               available.left() + available.width() - wanted.width()));
    wanted.moveTop(std::clamp(wanted.top(), available.top(),
                              available.top() + available.height() - wanted.height()));
    return wanted;
}

}  // namespace m8163
