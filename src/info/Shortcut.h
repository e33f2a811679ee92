#pragma once
// Shortcuts to the program in the user's folders. A shortcut always starts
// its target with the one argument "/starup"; the program has no options, so
// the argument reaches the path intake like any other and names nothing.

#include <QString>
#include <string>
#include <system_error>

namespace kelvara {

inline constexpr char ShortcutArguments[] = "/starup";

// Raised when a shortcut cannot be written: the system's error, and the
// shortcut file that was to be written.
class EShortcutError : public std::system_error {
public:
    EShortcutError(std::error_code code, std::string linkFile);
    const std::string& LinkFile() const { return m_linkFile; }
    // What the user is told, in the user's language: which shortcut could not
    // be made, and the system's own description of why.
    QString Message() const;

private:
    std::string m_linkFile;
};

// Writes a shortcut to TargetPath into FolderPath under the name LinkName
// (the file LinkName + the platform's extension, ".desktop" here, with a
// single delimiter even when FolderPath ends in one). It starts TargetPath
// with "/starup" in TargetPath's folder (without a trailing delimiter; a root
// stays "/"). How the folder shapes the shortcut is in platform/ShellLink.h.
// Throws EShortcutError carrying the system's error when it cannot be
// written (no folder given, the folder missing or not writable, the disk
// full); nothing is then left behind.
void CreateShortcut(const std::string& TargetPath, const std::string& FolderPath,
                    const std::string& LinkName);

// TargetPath's folder as a shortcut's working folder: without a trailing
// delimiter, a root as "/", empty for a name without a folder.
std::string ShortcutWorkingFolder(const std::string& TargetPath);

} // namespace kelvara
