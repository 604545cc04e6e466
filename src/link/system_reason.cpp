#include "link/system_reason.h"

#include <locale.h>
#include <string.h>

#include <cerrno>
#include <initializer_list>

namespace m8163 {
namespace {

struct Reason {
    int error;
    const char* text;
};

// glibc's Russian messages for these, so that a box reads the same on a
// machine without the Russian locale.
constexpr Reason kRussianReasons[] = {
    {ENOENT, "Нет такого файла или каталога"},
    {EACCES, "Отказано в доступе"},
    {EPERM, "Операция не позволена"},
    {EBUSY, "Устройство или ресурс занято"},
    {ENOTTY, "Неприменимый к данному устройству ioctl"},
    {ENODEV, "Нет такого устройства"},
    {ENXIO, "Нет такого устройства или адреса"},
    {EISDIR, "Это каталог"},
    {ENOTDIR, "Это не каталог"},
    {ENOSPC, "На устройстве не осталось свободного места"},
    {EDQUOT, "Превышена дисковая квота"},
    {EROFS, "Файловая система доступна только для чтения"},
    {EIO, "Ошибка ввода/вывода"},
    {ELOOP, "Слишком много уровней символьных ссылок"},
    {ENAMETOOLONG, "Слишком длинное имя файла"},
    {EFBIG, "Файл слишком велик"},
    {EMFILE, "Слишком много открытых файлов"},
    // What a connection to a device server meets.
    {ECONNREFUSED, "В соединении отказано"},
    {ECONNRESET, "Соединение сброшено другой стороной"},
    {ETIMEDOUT, "Время ожидания соединения истекло"},
    {EHOSTUNREACH, "Нет маршрута до узла"},
    {ENETUNREACH, "Сеть недоступна"},
};

std::string messageIn(const char* localeName, int error) {
    const locale_t locale = newlocale(LC_ALL_MASK, localeName, static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return {};
    std::string text = strerror_l(error, locale);
    freelocale(locale);
    return text;
}

// UTF-8 Cyrillic letters start with 0xD0 or 0xD1. LANGUAGE in the
// environment can still give another language through a Russian locale.
bool isRussian(const std::string& text) {
    return text.find_first_of("\xD0\xD1") != std::string::npos;
}

}  // namespace

std::string systemReason(int error) {
    for (const char* name : {"ru_RU.UTF-8", "ru_RU.utf8"}) {
        std::string text = messageIn(name, error);
        if (isRussian(text))
            return text;
    }
    for (const Reason& reason : kRussianReasons) {
        if (reason.error == error)
            return reason.text;
    }
    return messageIn("C", error);
}

}  // namespace m8163
