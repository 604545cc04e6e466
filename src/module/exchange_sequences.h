#pragma once

#include <string>
#include "base/event_pump.h"
#include "base/message_boxes.h"

#include "link/connection_settings.h"
#include "link/line_format.h"
#include "module/register_image.h"
#include "protocol/transactions.h"

// The commands of the connection bar ("Помигать", "Выставить INIT") and of
// the page "Параметры обмена" ("Прочитать", "Записать") as sequences over the
// state, the line and small views that the window implements, so that their
// order is tested without a window.

namespace m8163 {

// What the connection commands need of the window.
class ConnectionView {
  public:
    virtual ~ConnectionView() = default;
    // Cyclic polling off, shown on its two buttons.
    virtual void stopPolling() = 0;
    // The connection bar shows the connection settings.
    virtual void showConnection() = 0;
    // Opens `port` anew with the connection settings; a failed open shows
    // its own box.
    virtual void reopenPort(SerialPort& port) = 0;
};

// What the exchange page's commands need of the page.
class ExchangePageView {
  public:
    virtual ~ExchangePageView() = default;
    // The page shows the register image.
    virtual void showExchangePage() = 0;
};

// What the user entered on the exchange page, as the page reads it: the
// texts of its editors and the entries its lists and boxes show (-1 for a
// list without a pick).
struct ExchangeEntry {
    std::string modelCode;         // Edit3, hexadecimal
    std::string factoryNumber1;    // Edit1
    std::string factoryNumber2;    // Edit2
    int day = -1;                  // ComboBox7
    int month = -1;                // ComboBox8
    int year = -1;                 // ComboBox9
    int speed = -1;                // ComboBox4
    Parity parity = Parity::None;  // CheckBox3 and CheckBox4
    int networkNumber = -1;        // ComboBox5
    std::string hardware;          // Edit5
    std::string software;          // Edit4
    int watchdog = -1;             // ComboBox6
};

// The exchange page's take-over: `entry` into `image`, in the order above.
// Model code hexadecimal (above 0xFFFF stores 0xFFFF and is refused), factory
// number words 0 ... 65535, versions the low 16 bits of any signed 32-bit
// number; a list without a pick stores 0xFFFF (day and month 0), a speed
// without one 9600 bit/s. A refusal shows one box (caption "Ошибка ввода")
// and ends the take-over at once: the fields before the refused one keep
// their new values, the later ones are not taken.
bool takeOverExchangeEntry(const ExchangeEntry& entry, RegisterImage& image, MessageBoxes& boxes);

// "Помигать": polling off, then 1 written to the blink register at once (no
// pause). A failed exchange shows its box; success shows nothing.
void runBlink(const ModbusLine& line, MessageBoxes& boxes, ConnectionView& view);

// "Выставить INIT": after a Yes, polling off and the connection settings
// those of a module in INIT mode (19200 bit/s, no parity, address 1; the port
// number stays), shown, pending messages run once, the port reopened.
// Nothing is sent.
void runSetInit(ConnectionSettings& settings, SerialPort& port, EventPump& pump,
                MessageBoxes& boxes, ConnectionView& view);

// "Прочитать" of the exchange page: the page's five reads in order. The
// first failure shows its box and ends the command with the page as it was
// (the image keeps what the earlier reads stored); after the last one the
// page shows the image and the success box follows.
void runReadExchangePage(const ModbusLine& line, EventPump& pump, RegisterImage& image,
                         MessageBoxes& boxes, ExchangePageView& page);

// "Записать" of the exchange page: a network number that the module-number
// list cannot show (none picked) is refused before anything else. After a
// Yes, one write of network number, speed code and parity code from the
// image. On success the connection settings follow the module (speed of the
// written code, 9600 bit/s for a code outside the table; parity; address =
// network number; the port number stays), the page and the connection bar
// are shown again, the port is reopened and the success box follows. A failed
// write shows its box and leaves the settings and the port as they were.
void runWriteExchangePage(const ModbusLine& line, EventPump& pump, const RegisterImage& image,
                          ConnectionSettings& settings, MessageBoxes& boxes, ExchangePageView& page,
                          ConnectionView& connection);

}  // namespace m8163
