// The port chooser's mapping, the state line and the box of an exchange on a
// closed port, on the window with the real port against the simulated module.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTreeWidget>
#include <chrono>

#include "link/port_open.h"
#include "sim_window.h"
#include "ui/bar/connection_bar.h"
#include "ui/bar/port_chooser.h"

namespace m8163 {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string fileText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class ChooserWindow : public test::SimWindowTest {
  protected:
    void choose(const std::string& path) {
        ASSERT_TRUE(window->commands().runWithLine(
            [&](LineLease& line) { window->connectionBar().useChosenPort(line, path); }));
    }
    std::string stateLine() { return text("PortStateLine").toStdString(); }
    // The line's whole text, as its hint has it before the device node.
    std::string stateText() {
        const std::string hint = control<QLabel>("PortStateLine").toolTip().toStdString();
        return hint.substr(0, hint.find('\n'));
    }
    std::string devDat() { return fileText(folder / "dev.dat"); }
};

TEST_F(ChooserWindow, AChosenPortIsOpenedShownAndSavedAtOnceAndByTheClose) {
    start({}, "19200,N,8,1", 1);
    EXPECT_EQ(stateText(), server->path());

    // A device that is not there: the box names the dev.dat in use and the
    // chooser, the line says why the port is closed, the file has the choice.
    const std::string missing = (folder / "ttyUSB9").string();
    choose(missing);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Невозможно открыть последовательный порт");
    EXPECT_NE(boxes.shown[0].detail.find((folder / "dev.dat").string()), std::string::npos)
        << boxes.shown[0].detail;
    EXPECT_NE(boxes.shown[0].detail.find("Выбрать порт…"), std::string::npos);
    const std::string closed = "Порт не открыт: нет устройства " + missing +
                               ". Подключите его — откроется сам, или выберите порт (Ctrl+P)";
    EXPECT_EQ(stateText(), closed);
    EXPECT_NE(devDat().find("COM1=" + missing + "\r\n"), std::string::npos) << devDat();

    // An exchange now blames the port, not the module.
    readOnce();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Последовательный порт не открыт, модуль не мог ответить.");
    EXPECT_EQ(boxes.shown[1].detail, closed);

    // A plain path, then a link: each is stored as given and opened.
    choose(server->path());
    EXPECT_EQ(stateText(), server->path());
    EXPECT_NE(devDat().find("COM1=" + server->path() + "\r\n"), std::string::npos) << devDat();
    const fs::path link = folder / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_symlink(server->path(), link);
    choose(link.string());
    EXPECT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(stateText(), link.string());
    readOnce();
    EXPECT_EQ(lastTexts(2), std::vector<std::string>{"Прочитано измеренное значение."});

    window->close();
    EXPECT_NE(devDat().find("COM1=" + link.string() + "\r\n"), std::string::npos) << devDat();
}

TEST_F(ChooserWindow, AHangUpShowsOnTheLineAndInTheBox) {
    start({}, "19200,N,8,1", 1);
    server->stop();
    readOnce();
    EXPECT_EQ(stateText().rfind("Порт не открыт: ", 0), 0u) << stateText();
    EXPECT_NE(stateText().find("пропал"), std::string::npos) << stateText();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].text, "Последовательный порт не открыт, модуль не мог ответить.");
    EXPECT_EQ(boxes.shown[0].detail, stateText());
}

// The line names the by-id link picked, not the node behind it (that is in
// its hint). A port another program holds is tried again before each
// command and every two seconds: once the holder lets go it opens without
// Ctrl+P, and the line follows.
TEST_F(ChooserWindow, ABusyPortOpensByItselfOnceItsHolderLetsGo) {
    start({}, "19200,N,8,1", 1);
    const std::string pty = fs::canonical(server->path()).string();
    const fs::path link = folder / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_symlink(server->path(), link);
    choose(link.string());
    EXPECT_EQ(stateText(), link.string());
    EXPECT_EQ(control<QLabel>("PortStateLine").toolTip().toStdString(),
              link.string() + "\nУстройство: " + pty);

    // Another program takes the device while the port is closed.
    ASSERT_TRUE(window->commands().runWithLine([](LineLease& line) { closePort(line.port()); }));
    const int holder = ::open(pty.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(ioctl(holder, TIOCEXCL), 0);
    choose(link.string());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_NE(stateText().find(" занят программой "), std::string::npos) << stateText();
    EXPECT_NE(stateText().find("Закройте её — откроется сам"), std::string::npos) << stateText();
    readOnce();
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Последовательный порт не открыт, модуль не мог ответить.");

    // The line turns by itself, without a command, once the holder has gone.
    ioctl(holder, TIOCNXCL);
    ::close(holder);
    const auto until = std::chrono::steady_clock::now() + 6s;
    while (stateText() != link.string() && std::chrono::steady_clock::now() < until)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(stateText(), link.string());
    readOnce();
    EXPECT_EQ(lastTexts(2), std::vector<std::string>{"Прочитано измеренное значение."});
}

// A device that appears where the port's path points is opened without a
// command: the watch of its folder tries the port again, and the line
// follows.
TEST_F(ChooserWindow, AnAdapterPluggedInOpensTheWaitingPortByItself) {
    start({}, "19200,N,8,1", 1);
    const fs::path adapter = folder / "by-id" / "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    fs::create_directory(folder / "by-id");
    choose(adapter.string());
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(stateText().rfind("Порт не открыт: нет устройства ", 0), 0u) << stateText();

    fs::create_symlink(server->path(), adapter);
    const auto until = std::chrono::steady_clock::now() + 5s;
    while (stateText() != adapter.string() && std::chrono::steady_clock::now() < until)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(stateText(), adapter.string());
    EXPECT_EQ(boxes.shown.size(), 1u);
    readOnce();
    EXPECT_EQ(lastTexts(1), std::vector<std::string>{"Прочитано измеренное значение."});
}

// The dialog on a scratch /dev: the devices by the names a person knows, the
// current mapping in the field, Enter accepts and Escape cancels, and a node
// with a by-id link is stored as the link.
class PortChooserDialog : public ::testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/m8163-chooser.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        root = name;
        fs::create_directories(root / "dev" / "serial" / "by-id");
        fs::create_symlink("/dev/null", root / "dev" / "ttyUSB0");
        fs::create_symlink("/dev/null", root / "dev" / "ttyACM0");
        fs::create_symlink("../../ttyUSB0",
                           root / "dev" / "serial" / "by-id" / "usb-FTDI_A-if00-port0");
        scan.devRoot = (root / "dev").string();
        scan.sysTtyRoot = (root / "sys").string();
        scan.procRoot = (root / "proc").string();
    }
    void TearDown() override { fs::remove_all(root); }

    static void press(QWidget& widget, int key) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&widget, &down);
    }

    fs::path root;
    SerialDeviceScan scan;
};

TEST_F(PortChooserDialog, ListsDevicesAndAcceptsTheField) {
    PortChooser dialog(nullptr, 2, "/dev/ttyUSB1", scan);
    EXPECT_EQ(dialog.windowTitle(), "Выбор порта");
    auto& list = *dialog.findChild<QTreeWidget*>("PortList");
    auto& field = *dialog.findChild<QLineEdit*>("PortPath");
    ASSERT_EQ(list.topLevelItemCount(), 2);
    EXPECT_EQ(list.topLevelItem(0)->text(0).toStdString(),
              (root / "dev/serial/by-id/usb-FTDI_A-if00-port0").string());
    EXPECT_EQ(list.topLevelItem(1)->text(0).toStdString(), (root / "dev/ttyACM0").string());
    EXPECT_EQ(list.topLevelItem(1)->text(2), "свободен");
    EXPECT_EQ(field.text(), "/dev/ttyUSB1");

    // An adapter plugged in while the dialog is open appears.
    fs::create_symlink("/dev/null", root / "dev" / "ttyUSB3");
    dialog.rescan();
    EXPECT_EQ(list.topLevelItemCount(), 3);

    dialog.open();
    field.setText(QString::fromStdString((root / "dev/ttyUSB0").string()));
    press(field, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.chosenPath(), (root / "dev/serial/by-id/usb-FTDI_A-if00-port0").string());

    dialog.open();
    press(field, Qt::Key_Escape);
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

// A by-id name of 100 characters does not push the adapter and the state out
// of the dialog: the name is cut in its middle, and its hint has it whole.
TEST_F(PortChooserDialog, ALongNameLeavesTheStateInView) {
    const std::string name =
        "usb-Silicon_Labs_CP2105_Dual_USB_to_UART_Bridge_Controller_"
        "012A3F4B5C6D7E8F9A0B1C2D-if01-port0";
    ASSERT_GE(name.size(), 90u);
    fs::create_symlink("../../ttyUSB0", root / "dev" / "serial" / "by-id" / name);
    PortChooser dialog(nullptr, 1, "", scan);
    dialog.show();
    QApplication::processEvents();
    auto& list = *dialog.findChild<QTreeWidget*>("PortList");
    ASSERT_EQ(list.topLevelItemCount(), 3);
    const QHeaderView& header = *list.header();
    for (int column : {1, 2}) {
        SCOPED_TRACE(column);
        EXPECT_GE(header.sectionViewportPosition(column), 0);
        EXPECT_LE(header.sectionViewportPosition(column) + header.sectionSize(column),
                  list.viewport()->width());
    }
    const QTreeWidgetItem& row = *list.topLevelItem(1);
    const std::string path = (root / "dev/serial/by-id" / name).string();
    EXPECT_EQ(row.text(0).toStdString(), path);
    EXPECT_EQ(row.toolTip(0).toStdString(), path + "\n" + (root / "dev/ttyUSB0").string());
    EXPECT_EQ(row.text(2), "свободен");
}

TEST(PortChooserRows, SayWhoHoldsADeviceAndWhoMayOpenIt) {
    SerialDevice device;
    EXPECT_EQ(deviceUse(device), "свободен");
    device.mayOpen = false;
    device.grantingGroup = "dialout";
    EXPECT_EQ(deviceUse(device), "нет доступа: вступите в группу dialout");
    device.holders = {{812, "minicom"}};
    EXPECT_EQ(deviceUse(device), "занят: minicom (PID 812)");
}

}  // namespace
}  // namespace m8163
