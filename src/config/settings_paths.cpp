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

std::string folderOf(std::string_view path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string_view::npos)
        return ".";
    if (slash == 0)
        return "/";
    return std::string(path.substr(0, slash));
}

std::string fileNameOf(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace m8163
