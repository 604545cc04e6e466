// The window against a simulated module behind an adapter that echoes, with
// and without the echo option of COM1 in dev.dat.
#include <QPushButton>

#include "sim_window.h"

namespace m8163 {
namespace {

using AdapterWindowTest = test::SimWindowTest;

TEST_F(AdapterWindowTest, EchoOptionReadsNormally) {
    adapterEchoes = true;
    com1Options = "echo";
    start({}, "19200,N,8,1", 1);
    for (int i = 0; i < 2; ++i) {
        readOnce();
        EXPECT_EQ(lastTexts(static_cast<std::size_t>(i)),
                  std::vector<std::string>{"Прочитано измеренное значение."});
    }
    EXPECT_EQ(text("Panel3"), "Нормальный обмен");
}

TEST_F(AdapterWindowTest, WithoutTheOptionTheFailureBoxSuggestsIt) {
    adapterEchoes = true;
    start({}, "19200,N,8,1", 1);
    readOnce();
    ASSERT_EQ(boxes.shown.size(), 1u);
    const MessageBox& box = boxes.shown[0];
    EXPECT_EQ(box.caption, "Ошибка в обмене.");
    EXPECT_EQ(box.text,
              "При приеме принято не ожидаемое число символов. Возможно, ответа просто не было.");
    EXPECT_NE(box.detail.find("[COM_OPTIONS]"), std::string::npos) << box.detail;
    EXPECT_NE(box.detail.find("COM1=echo"), std::string::npos) << box.detail;
}

}  // namespace
}  // namespace m8163
