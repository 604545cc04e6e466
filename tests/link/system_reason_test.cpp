#include "link/system_reason.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <optional>
#include <string>

#include "scoped_locale.h"

namespace m8163 {
namespace {

// The reasons the program names read the same with or without a Russian
// locale on the machine, and whatever LANGUAGE asks for.
void expectNamedReasonsInRussian() {
    const struct {
        int error;
        const char* text;
    } reasons[] = {
        {ENOENT, "Нет такого файла или каталога"},
        {EACCES, "Отказано в доступе"},
        {EBUSY, "Устройство или ресурс занято"},
        {ENOTTY, "Неприменимый к данному устройству ioctl"},
        {ENODEV, "Нет такого устройства"},
        {EPERM, "Операция не позволена"},
        {EISDIR, "Это каталог"},
        {ENOSPC, "На устройстве не осталось свободного места"},
        {EROFS, "Файловая система доступна только для чтения"},
    };
    for (const auto& reason : reasons) {
        SCOPED_TRACE(reason.error);
        EXPECT_EQ(systemReason(reason.error), reason.text);
    }
}

class LanguageVariable {
  public:
    explicit LanguageVariable(const char* value) {
        if (const char* old = getenv("LANGUAGE"))
            old_ = old;
        setenv("LANGUAGE", value, 1);
    }
    ~LanguageVariable() {
        if (old_)
            setenv("LANGUAGE", old_->c_str(), 1);
        else
            unsetenv("LANGUAGE");
    }

  private:
    std::optional<std::string> old_;
};

TEST(SystemReason, NamedReasonsInRussian) {
    expectNamedReasonsInRussian();
    const LanguageVariable english("en");
    expectNamedReasonsInRussian();
}

// With a Russian locale on the machine every reason comes from glibc's own
// Russian messages, not only the named ones.
TEST(SystemReason, OtherReasonsFromTheSystemsRussianMessages) {
    const test::ScopedLocale russian("ru_RU.UTF-8");
    if (!russian.active())
        GTEST_SKIP() << "no Russian locale can be made here";
    expectNamedReasonsInRussian();
    EXPECT_EQ(systemReason(ETIMEDOUT), "Время ожидания соединения истекло");
}

TEST(SystemReason, WithoutTranslationTheSystemsText) {
    const LanguageVariable english("en");
    // A reason no port or settings file of the program meets.
    EXPECT_EQ(systemReason(EDOM), "Numerical argument out of domain");
}

}  // namespace
}  // namespace m8163
