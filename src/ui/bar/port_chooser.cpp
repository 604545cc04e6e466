#include "ui/bar/port_chooser.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace m8163 {

std::string deviceUse(const SerialDevice& device) {
    if (!device.holders.empty()) {
        std::string text = "занят: ";
        for (std::size_t i = 0; i < device.holders.size(); ++i) {
            text += i == 0 ? "" : ", ";
            text += device.holders[i].name + " (PID " + std::to_string(device.holders[i].pid) + ")";
        }
        return text;
    }
    if (!device.mayOpen) {
        return device.grantingGroup ? "нет доступа: вступите в группу " + *device.grantingGroup
                                    : "нет доступа";
    }
    return "свободен";
}

PortChooser::PortChooser(QWidget* parent, int comNumber, const std::string& current,
                         SerialDeviceScan scan)
    : QDialog(parent),
      scan_(std::move(scan)),
      list_(new QTreeWidget(this)),
      path_(new QLineEdit(QString::fromStdString(current), this)),
      buttons_(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
    setObjectName(QStringLiteral("PortChooser"));
    setWindowTitle(QStringLiteral("Выбор порта"));
    resize(640, 320);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("Устройство для COM%1: выберите из списка или впишите путь.").arg(comNumber),
        this));
    list_->setObjectName(QStringLiteral("PortList"));
    list_->setHeaderLabels(
        {QStringLiteral("Устройство"), QStringLiteral("Адаптер"), QStringLiteral("Состояние")});
    list_->setRootIsDecorated(false);
    // The adapter and the state keep the room they need; a by-id name takes
    // what is left and is cut in its middle, where such names repeat
    // themselves ("usb-…-if00-port0"); its hint has it whole.
    list_->setTextElideMode(Qt::ElideMiddle);
    list_->header()->setStretchLastSection(false);
    list_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    list_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    list_->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    layout->addWidget(list_);
    path_->setObjectName(QStringLiteral("PortPath"));
    path_->setClearButtonEnabled(true);
    layout->addWidget(path_);
    buttons_->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Выбрать"));
    buttons_->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
    layout->addWidget(buttons_);

    QObject::connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    QObject::connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    QObject::connect(path_, &QLineEdit::textChanged, this, [this](const QString& text) {
        buttons_->button(QDialogButtonBox::Ok)->setEnabled(!text.trimmed().isEmpty());
    });
    QObject::connect(list_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr)
            path_->setText(item->text(0));
    });
    QObject::connect(list_, &QTreeWidget::itemActivated, this, [this] { accept(); });
    // A plugged or pulled adapter adds or removes nodes in /dev and links in
    // /dev/serial/by-id (which itself comes and goes with the first adapter).
    QObject::connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        rescan();
        watchFolders();
    });

    rescan();
    watchFolders();
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(!path_->text().trimmed().isEmpty());
    path_->selectAll();
    path_->setFocus();
}

void PortChooser::watchFolders() {
    const QString dev = QString::fromStdString(scan_.devRoot);
    for (const QString& folder :
         {dev, dev + QStringLiteral("/serial"), dev + QStringLiteral("/serial/by-id")}) {
        if (QDir(folder).exists() && !watcher_.directories().contains(folder))
            watcher_.addPath(folder);
    }
}

void PortChooser::rescan() {
    devices_ = recognisableDevices(serialDevices(scan_));
    // Rebuilt without moving the field: a row picked earlier is not picked again.
    const QSignalBlocker quiet(list_);
    list_->clear();
    for (const SerialDevice& device : devices_) {
        auto* item = new QTreeWidgetItem(list_);
        item->setText(0, QString::fromStdString(device.path));
        item->setText(1, QString::fromStdString(device.description));
        item->setText(2, QString::fromStdString(deviceUse(device)));
        item->setToolTip(
            0, QString::fromStdString(device.target.empty() ? device.path
                                                            : device.path + "\n" + device.target));
    }
}

std::string PortChooser::chosenPath() const {
    return lastingDevicePath(path_->text().trimmed().toStdString(), serialDevices(scan_));
}

}  // namespace m8163
