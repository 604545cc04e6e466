#pragma once

#include <string>

// Writing a file the user asked for (an export) as safely as the settings
// files are written: the new bytes go to a locked temporary beside the file
// (save_temporary.h), are flushed to the disk and then renamed over it, so
// that a crash, a kill or a full disk leaves the old file or the new one,
// never a part of either.

namespace m8163 {

// Replaces the whole content of the file at `path` by `bytes`, creating it
// when it does not exist; a symbolic link stays a link and its target gets
// the bytes. Throws SettingsFileError (config/ini_file.h) naming the file
// and the system's reason; the old file is then left as it was.
void writeWholeFile(const std::string& path, const std::string& bytes);

}  // namespace m8163
