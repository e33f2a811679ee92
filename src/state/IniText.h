// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of an INI file, edited the way the Windows private-profile service
// edits a file, so that a state file a user has edited by hand keeps all that
// the program does not own:
//
// - a key that stands in its section has its line rewritten where it stands,
//   as "key=value" with the key spelt as the file spells it (where it stands
//   twice, the first one, the one a read finds; the other stays);
// - a new key goes on a line of its own after the last key of its section
//   (of the section's first block, where the section stands twice);
// - a new section goes at the end, its header and its key on lines of their
//   own, with no blank line before it;
// - every other byte stays as it was: comments, blank lines, lines without
//   "=", the file's line ends (new lines take the file's first one).
//
// Sections and keys are told here exactly as SimpleIni's reader tells them
// (TIniFile reads the same text with it), so that what is written here is
// what a read finds: names compared without regard to ASCII case; blanks
// around names and values and a UTF-8 byte order mark at the head ignored;
// a line whose first character is ';' or '#' a comment; a line without "="
// (or with nothing before it) no key; a "[" whose name runs to the end of its
// line without "]" no section; and the text ending at its first NUL byte.
// Anything written after that point could never be read, so new sections go
// before it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kelvara {

class TIniText {
public:
    explicit TIniText(std::string text);

    // Sets `key` in `section` to `value`, cut at a NUL byte if it holds one.
    // The names and the value must be single-line (no CR or LF).
    void Set(std::string_view section, std::string_view key, std::string_view value);

    const std::string& Text() const { return m_text; }

private:
    struct TEntry {
        bool header = false;
        std::string section; // the section a key stands in, or a header's name
        std::string key;     // empty for a header
        std::size_t begin = 0;
        std::size_t end = 0; // where its line ends (a line end, a NUL or the text's end)
    };

    void Parse();
    // Puts `inserted` at `at` and moves everything after it along.
    void Insert(std::size_t at, const std::string& inserted, std::size_t firstMoved);
    std::size_t AfterLine(std::size_t end) const;

    std::string m_text;
    std::string m_newLine;
    std::vector<TEntry> m_entries; // in text order
    // Where a new section goes: the end of what a reader reads, or the start
    // of a "[" left open there, which would take the next line for its name.
    std::size_t m_appendAt = 0;
};

} // namespace kelvara
