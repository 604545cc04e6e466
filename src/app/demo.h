#pragma once

#include <QString>
#include <memory>

#include "base/message_boxes.h"

namespace m8163 {

class TForm1;

// The scripted demonstration asked for with M8163_DEMO=<file{page}.png>:
// once the window is on the screen it clicks, as a user would, "Прочитать
// однократно", the exchange page's and the sensor page's "Прочитать", and a
// search over 9600 and 19200 bit/s, all parities, module numbers 1 to 5;
// then it saves each notebook page to the file name with the page's index in
// place of "{page}", prints each path and quits. Boxes are printed instead
// of shown, and answered OK (Yes to a question), since nobody is there to
// press their buttons.

// Prints each box ("box: <caption>: <text>") to standard output.
class PrintedBoxes : public MessageBoxes {
  public:
    BoxAnswer show(const MessageBox& box) override;
};

// Arms the demonstration on `window`; call before the event loop runs.
void runDemoWhenShown(TForm1& window, const QString& pattern);

}  // namespace m8163
