#pragma once

#include <string>

// What stands at a file name, in the user's words, for the files the program
// reads and writes itself (settings files, logs): only a plain file is one.

namespace m8163 {

// Why something that is not a plain file cannot serve as one ("это папка, а
// не файл", "это именованный канал (FIFO), а не обычный файл" ...), from its
// st_mode; empty for a plain file.
std::string notAPlainFile(unsigned mode);

}  // namespace m8163
