#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

// Watches the folders where the port's device comes and goes (the folder of
// its path, /dev and /dev/serial/by-id) and calls back once things have
// settled after a change: a plugged adapter brings its node first and its
// by-id link a moment later, a change of rights touches the node. A program
// that lets the device go changes no folder: while asked to, the watch also
// calls back every two seconds.

namespace m8163 {

class DeviceWatch : public QObject {
  public:
    DeviceWatch(QObject* parent, std::function<void()> changed);

    // Watches the folders of `device` (a path; a URL watches none).
    void follow(const std::string& device);
    // Calls back every two seconds as well, or no more.
    void recheck(bool on);

  private:
    void watchFolders();

    std::function<void()> changed_;
    QFileSystemWatcher watcher_;
    QTimer settle_;
    QTimer recheck_;
    QString device_;
};

}  // namespace m8163
