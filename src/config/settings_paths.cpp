#include "config/settings_paths.h"

#include <unistd.h>

#include <cstdlib>

namespace m8163 {

std::string currentFolder() {
    char* folder = ::getcwd(nullptr, 0);
    if (folder == nullptr)
        return ".";
    std::string result = folder;
    std::free(folder);
    return result;
}

std::string settingsFilePath(std::string_view folder, std::string_view fileName) {
    std::string path(folder);
    if (path.empty() || path.back() != '/')
        path += '/';
    path += fileName;
    return path;
}

}  // namespace m8163
