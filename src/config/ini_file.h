#pragma once

#include <functional>
#include <stdexcept>
#include <string>

#include "config/ini_document.h"
#include "config/save_temporary.h"

// A settings file opened for one load or one save: read whole when opened,
// changed in memory, written once by save(). The new text goes to a
// temporary file in the same folder (save_temporary.h), is flushed to the
// disk and then renamed over the old file, so that a crash, a kill or a full
// disk leaves either the old file or the new one, never a part of either.
// Only when the folder refuses new files is the file written in place.

namespace m8163 {

// A settings file that could not be read or written. what() names the file
// and gives the system's reason.
class SettingsFileError : public std::runtime_error {
  public:
    SettingsFileError(const std::string& path, bool writing, const std::string& reason);
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// Throws SettingsFileError when something other than a plain file of at
// most 1 MiB stands at `path` (a FIFO, a device, a folder), without opening
// it; false when there is nothing there, true for a file a load would read.
bool checkSettingsFile(const std::string& path);

class IniFile : public IniDocument {
  public:
    using ReplaceFunction = m8163::ReplaceFunction;

    // Removes what killed saves of the file left behind, then reads the file
    // if it exists. Throws SettingsFileError, before reading a byte, for
    // anything but a plain file of at most 1 MiB (a FIFO, a device, a
    // folder), and for a file that cannot be read; the file stays untouched.
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }
    bool existed() const { return existed_; }

    // A file without write permission is replaced all the same, and the new
    // file is writable by its owner.
    void allowReadOnlyOverwrite() { allowReadOnly_ = true; }

    void setReplaceFunction(ReplaceFunction replace) { replace_ = std::move(replace); }

    // Writes the text when it differs from what was read (a file that did
    // not exist is created). A folder that takes no new files but holds a
    // writable file gets the text written into the file itself (written,
    // then flushed to the disk). Throws SettingsFileError saying whether the
    // folder, the file or both refused; the old file is then left as it was.
    void save();

  private:
    void writeReplacement(const std::string& text);
    void writeInPlace(const std::string& target, const std::string& text, int folderError);

    std::string path_;
    bool existed_ = false;
    bool allowReadOnly_ = false;
    std::string original_;
    ReplaceFunction replace_;
};

}  // namespace m8163
