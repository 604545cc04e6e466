// The connection bar's port state line at its size in the bar: what does
// not fit is cut with "…", and the hint holds it all.
#include "ui/bar/port_state_line.h"

#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QWidget>

namespace m8163 {
namespace {

class PortStateLineTest : public ::testing::Test {
  protected:
    PortStateLineTest() {
        // As the bar's layout makes them.
        label->setGeometry(627, 40, 308, 44);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }

    // Whether the label's text, wrapped as the label wraps it, fits the label.
    bool textFits() const {
        const QRect box = label->contentsRect();
        const QRect needed =
            QFontMetrics(label->font())
                .boundingRect(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, label->text());
        return needed.height() <= box.height() && needed.width() <= box.width();
    }

    QWidget bar;
    QLabel* label = new QLabel(&bar);
    QPushButton* copy = new QPushButton(&bar);
    PortStateLine line{*label, *copy};
};

TEST_F(PortStateLineTest, WhatDoesNotFitIsCutAndTheHintHasItAll) {
    PortState lost;
    lost.condition = PortCondition::Failed;
    lost.device = "rfc2217://192.168.10.20:4001";
    lost.reason =
        "сервер порта не принял параметры линии: на запрос скорости 19200 бит/с он ответил "
        "скоростью 9600 бит/с, на запрос чётности — отказом; проверьте настройки ser2net "
        "(параметр remctl) и то, что порт сервера не занят другим клиентом, затем откройте "
        "порт снова";

    PortState open;
    open.condition = PortCondition::Open;
    open.device =
        "/dev/serial/by-id/usb-Silicon_Labs_CP2105_Dual_USB_to_UART_Bridge_Controller_"
        "012A3F4B5C6D7E8F9A0B1C2D-if01-port0";
    open.description = "Silicon Labs CP2105 Dual USB to UART Bridge Controller";
    open.node = "/dev/ttyUSB1";

    PortState shortOne;
    shortOne.condition = PortCondition::Open;
    shortOne.device = "/dev/ttyS0";

    const struct {
        const PortState& state;
        bool cut;
    } cases[] = {{lost, true}, {open, true}, {shortOne, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state.device);
        line.show(c.state);
        const QString whole = QString::fromStdString(portStateText(c.state));
        EXPECT_TRUE(textFits()) << label->text().toStdString();
        EXPECT_EQ(label->toolTip().toStdString(), portStateHint(c.state));
        EXPECT_EQ(label->text() != whole, c.cut) << label->text().toStdString();
    }
    line.show(lost);
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("…"))) << label->text().toStdString();
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("Порт не открыт: rfc2217://")));
    // The device's name cut in its middle: both ends stay.
    line.show(open);
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("/dev/serial/")))
        << label->text().toStdString();
    EXPECT_TRUE(label->text().contains(QStringLiteral("port0"))) << label->text().toStdString();
    EXPECT_EQ(label->toolTip().toStdString(), portStateText(open) + "\nУстройство: /dev/ttyUSB1");

    // A long name gives way to what helps.
    PortState busy = open;
    busy.condition = PortCondition::Busy;
    busy.holders = {{3436, "minicom"}, {3441, "python3"}};
    line.show(busy);
    EXPECT_TRUE(textFits()) << label->text().toStdString();
    EXPECT_TRUE(label->text().endsWith(QStringLiteral("Закройте их — откроется сам")))
        << label->text().toStdString();
}

}  // namespace
}  // namespace m8163
