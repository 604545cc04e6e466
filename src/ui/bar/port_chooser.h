#pragma once

#include <QDialog>
#include <QFileSystemWatcher>
#include <string>
#include <vector>

#include "link/serial_devices.h"

class QDialogButtonBox;
class QLineEdit;
class QTreeWidget;

// "Выбор порта": the serial devices present, by the names a person knows,
// with their adapter, who holds them and whether the user may open them, and
// a field for any other path. The list follows adapters plugged in and out
// while the dialog is open.

namespace m8163 {

class PortChooser : public QDialog {
  public:
    // For COM `comNumber`, now mapped to `current`; the field starts with it.
    PortChooser(QWidget* parent, int comNumber, const std::string& current,
                SerialDeviceScan scan = {});

    // The path to map: the field's text without surrounding blanks, the
    // by-id link of a device node where one exists.
    std::string chosenPath() const;

    // The devices the list shows now.
    const std::vector<SerialDevice>& devices() const { return devices_; }
    void rescan();

  private:
    void watchFolders();

    SerialDeviceScan scan_;
    QTreeWidget* list_;
    QLineEdit* path_;
    QDialogButtonBox* buttons_;
    QFileSystemWatcher watcher_;
    std::vector<SerialDevice> devices_;
};

// The words for a device's row: "свободен", "занят: minicom (PID 12)", "нет
// доступа: вступите в группу dialout".
std::string deviceUse(const SerialDevice& device);

}  // namespace m8163
