#include "ui/bar/device_watch.h"

#include <QDir>
#include <QFileInfo>
#include <chrono>

#include "link/device_url.h"

namespace m8163 {
namespace {

// udev makes a by-id link some milliseconds after the node; one call after
// the burst instead of one per event.
constexpr std::chrono::milliseconds kSettle{250};

// How often a busy or refused device is looked at without a command: the
// state line is current within this after the other program exits.
constexpr std::chrono::seconds kRecheck{2};

}  // namespace

DeviceWatch::DeviceWatch(QObject* parent, std::function<void()> changed)
    : QObject(parent), changed_(std::move(changed)) {
    setObjectName(QStringLiteral("DeviceWatch"));
    settle_.setSingleShot(true);
    settle_.setInterval(kSettle);
    QObject::connect(&settle_, &QTimer::timeout, this, [this] {
        // A folder made meanwhile (the first adapter's by-id folder) is
        // watched from now on.
        watchFolders();
        changed_();
    });
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, this,
                     [this] { settle_.start(); });
    recheck_.setInterval(kRecheck);
    QObject::connect(&recheck_, &QTimer::timeout, this, [this] { changed_(); });
}

void DeviceWatch::recheck(bool on) {
    if (on && !recheck_.isActive())
        recheck_.start();
    else if (!on)
        recheck_.stop();
}

void DeviceWatch::follow(const std::string& device) {
    device_ = isNetworkDevice(device) ? QString() : QString::fromStdString(device);
    if (!watcher_.directories().isEmpty())
        watcher_.removePaths(watcher_.directories());
    watchFolders();
}

void DeviceWatch::watchFolders() {
    if (device_.isEmpty())
        return;
    const QString own = QFileInfo(device_).absolutePath();
    for (const QString& folder : {own, QStringLiteral("/dev"), QStringLiteral("/dev/serial"),
                                  QStringLiteral("/dev/serial/by-id")}) {
        if (QDir(folder).exists() && !watcher_.directories().contains(folder))
            watcher_.addPath(folder);
    }
}

}  // namespace m8163
