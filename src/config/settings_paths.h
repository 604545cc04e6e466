#pragma once

#include <string>
#include <string_view>

// Where the settings files live: the process's current working directory at
// the moment of the call, so a program started elsewhere keeps its own set.

namespace m8163 {

inline constexpr std::string_view kConnectionFileName = "dev.dat";
inline constexpr std::string_view kProfileFileName = "recent.prf";
inline constexpr std::string_view kCatalogueFileName = "konstr_type.prf";

// The current working directory; "." when the system cannot name it (for
// example after it was deleted).
std::string currentFolder();

// `folder` followed by "/" and `fileName`.
std::string settingsFilePath(std::string_view folder, std::string_view fileName);

// The folder part of `path` ("." for a bare name, "/" for a file in the
// root) and the name after the last "/".
std::string folderOf(std::string_view path);
std::string fileNameOf(std::string_view path);

}  // namespace m8163
