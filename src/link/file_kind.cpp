#include "link/file_kind.h"

#include <sys/stat.h>

namespace m8163 {

std::string notAPlainFile(unsigned mode) {
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return "это папка, а не файл";
    if (S_ISFIFO(mode))
        return "это именованный канал (FIFO), а не обычный файл";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "это устройство, а не обычный файл";
    if (S_ISSOCK(mode))
        return "это сокет, а не обычный файл";
    return "это не обычный файл";
}

}  // namespace m8163
