// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TIniFile: the INI file that keeps window states between runs, read and
// written with the rules of the Windows private-profile service, which the
// program's state files have always followed:
//
// - sections and keys are found without regard to (ASCII) letter case;
// - values are trimmed of surrounding blanks;
// - an existing key is updated where it stands, a new key goes to the end of
//   its section and a new section to the end of the file, so a file written
//   from scratch lists everything in write order, with no blank lines;
// - every line that is not written stays as it was: a file edited by hand
//   keeps its comments, blank lines, lines without "=" and keys that stand
//   twice (state/IniText.h);
// - a text value is read back whole up to 2047 characters;
// - where a key stands twice in a section, the first one counts.
//
// Unlike the Windows service, writes collect in memory and reach the disk
// together in UpdateFile, which replaces the whole file through a temporary
// file in the same folder and a rename. A crash or a full disk therefore
// never leaves half a file: a failed update leaves the previous file exactly
// as it was. Reading never writes. The file is read once, when the object is
// made; a file that is missing or cannot be read counts as empty.

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace kelvara {

// Raised when the state file cannot be written. The window that tells the
// user says so in the user's language, naming FileName(); what() says it for
// the log.
class TIniFileError : public std::runtime_error {
public:
    explicit TIniFileError(const std::string& fileName);
    const std::string& FileName() const { return m_fileName; }

private:
    std::string m_fileName;
};

// The longest text a read gives back; longer values are cut to this many
// characters (UTF-16 units, as the Windows service counts them, never
// inside a character).
inline constexpr int IniMaxValueLength = 2047;

class TIniFile {
public:
    // `fileName` as the file system spells it (UTF-8 on Windows).
    explicit TIniFile(const std::string& fileName);
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return m_fileName; }

    // Names and values are UTF-8.
    // The value of `key`, or `def` when the key is absent. A key that is
    // present with an empty value gives the empty text. Bytes that are not
    // UTF-8 read as U+FFFD.
    std::string ReadString(const std::string& section, const std::string& key,
                           const std::string& def) const;
    // Integers: "0x"/"0X" at the head stands for "$"; then leading blanks,
    // an optional sign and either decimal digits within the 32-bit range or
    // "$" and up to eight hexadecimal digits taken as a 32-bit pattern. Any
    // other text, or none, gives `def`.
    std::int32_t ReadInteger(const std::string& section, const std::string& key,
                             std::int32_t def) const;
    // A boolean is an integer that is not 0; `def` stands for 1 or 0.
    bool ReadBool(const std::string& section, const std::string& key, bool def) const;

    // Line breaks in a value would break the file's lines; they are written
    // as blanks.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& key, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& key, bool value);

    // Writes the whole file if anything was written since it was read or
    // last updated. Throws TIniFileError when the file cannot be replaced;
    // the file on disk is then untouched.
    void UpdateFile();

private:
    struct TData;
    std::string m_fileName;
    std::unique_ptr<TData> m_data;
    bool m_modified = false;
};

// ReadInteger's reading of a stored text ("0x" step included): nullopt where
// the text is not a number by those rules.
std::optional<std::int32_t> ParseIniInteger(std::string_view text);

} // namespace kelvara
