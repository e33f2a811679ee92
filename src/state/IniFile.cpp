// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/IniFile.h"

#include "base/PathName.h"
#include "base/Utf8.h"
#include "platform/AtomicFile.h"
#include "platform/FileContent.h"
#include "state/IniText.h"
#include "state/Log.h"

#include <system_error>
// Our values are UTF-8 bytes throughout; SimpleIni need not convert them.
// Debian's SimpleIni.h keeps the template bodies behind SI_IMPLEMENTATION
// (its shared library holds only the ICU-converting variants); this is the
// one file that uses it, so the bodies are instantiated here.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <limits>
#include <string>

namespace kelvara {

TIniFileError::TIniFileError(const std::string& fileName)
    : std::runtime_error("cannot write to " + fileName), m_fileName(fileName) {}

struct TIniFile::TData {
    // What reads find. Case-insensitive names. Multi-key mode keeps every
    // line of a key that stands twice, so a read finds the first one; a
    // write replaces them all here by one entry, as a read of the file then
    // finds only the line it rewrote.
    CSimpleIniA ini{/*isUtf8=*/true, /*multiKey=*/true, /*multiLine=*/false};
    // What the file will hold: the text as read, edited line by line. Parsed
    // at the first write only; a load reads and never writes.
    std::string bytes;
    std::optional<TIniText> text;

    // The spelling under which `key` already stands in the section, so that
    // an update keeps the file's letter case; `key` itself when it is new.
    std::string KeySpelling(const std::string& section, const std::string& key) const {
        CSimpleIniA::TNamesDepend keys;
        ini.GetAllKeys(section.c_str(), keys);
        const CSimpleIniA::Entry::KeyOrder less;
        for (const CSimpleIniA::Entry& existing : keys)
            if (!less(existing, CSimpleIniA::Entry(key.c_str())) &&
                !less(CSimpleIniA::Entry(key.c_str()), existing))
                return existing.pItem;
        return key;
    }
};

namespace {

std::string OneLine(const std::string& value) {
    std::string text = value;
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

// `text` up to IniMaxValueLength UTF-16 units, cut before a character that
// would go beyond.
std::string CutToValueLength(std::string text) {
    std::size_t units = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = Utf8SequenceLength(std::string_view(text).substr(at));
        const std::size_t more = length == 4 ? 2 : 1;
        if (units + more > static_cast<std::size_t>(IniMaxValueLength)) {
            text.resize(at);
            break;
        }
        units += more;
        at += length;
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

TIniFile::TIniFile(const std::string& fileName)
    : m_fileName(fileName), m_data(std::make_unique<TData>()) {
    m_data->ini.SetSpaces(false); // "Key=Value", as the Windows service writes it
    try {
        m_data->bytes = std::string(ByteText(ReadFileContent(fileName)));
    } catch (const std::system_error& error) {
        LogDebug(lcState) << "state file not read, counts as empty:" << DecodedPath(fileName) << ":"
                          << error.what();
        return;
    }
    // A file that does not parse leaves whatever SimpleIni read of it.
    if (m_data->ini.LoadData(m_data->bytes.data(), m_data->bytes.size()) < 0)
        LogDebug(lcState) << "state file read in part:" << DecodedPath(fileName);
}

TIniFile::~TIniFile() = default;

std::string TIniFile::ReadString(const std::string& section, const std::string& key,
                                 const std::string& def) const {
    const char* value = m_data->ini.GetValue(section.c_str(), key.c_str(), nullptr);
    if (value == nullptr)
        return def;
    // A U+FEFF at the head of a value is one of its characters, not a byte
    // order mark: it stays, and the blanks after it with it.
    return CutToValueLength(ValidUtf8(value));
}

std::optional<std::int32_t> ParseIniInteger(std::string_view stored) {
    std::string text(stored);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        text = '$' + text.substr(2);

    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i < n && text[i] == '$') {
        ++i;
        const std::size_t digits = n - i;
        if (digits < 1 || digits > 8)
            return std::nullopt;
        std::uint32_t pattern = 0;
        for (; i < n; ++i) {
            const int digit = HexDigit(text[i]);
            if (digit < 0)
                return std::nullopt;
            pattern = pattern << 4 | static_cast<std::uint32_t>(digit);
        }
        if (negative)
            pattern = 0u - pattern;
        return static_cast<std::int32_t>(pattern);
    }
    if (i == n)
        return std::nullopt;
    // Accumulate as a negative number, whose range reaches one further.
    const std::int64_t limit = negative ? -std::int64_t{std::numeric_limits<std::int32_t>::min()}
                                        : std::numeric_limits<std::int32_t>::max();
    std::int64_t value = 0;
    for (; i < n; ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t TIniFile::ReadInteger(const std::string& section, const std::string& key,
                                   std::int32_t def) const {
    return ParseIniInteger(ReadString(section, key, std::string())).value_or(def);
}

bool TIniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const std::string& section, const std::string& key,
                           const std::string& value) {
    const std::string keyName = m_data->KeySpelling(section, key);
    const std::string text = OneLine(value);
    const SI_Error rc = m_data->ini.SetValue(section.c_str(), keyName.c_str(), text.c_str(),
                                             nullptr, /*forceReplace=*/true);
    if (rc < 0)
        throw TIniFileError(m_fileName);
    if (!m_data->text)
        m_data->text.emplace(std::move(m_data->bytes));
    // Cut where SimpleIni cuts it, at a NUL, so that both hold the same.
    m_data->text->Set(section, keyName, text.c_str());
    m_modified = true;
}

void TIniFile::WriteInteger(const std::string& section, const std::string& key,
                            std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TIniFile::UpdateFile() {
    if (!m_modified)
        return;
    try {
        ReplaceFileWhole(m_fileName, m_data->text->Text());
    } catch (const std::system_error& error) {
        LogDebug(lcState) << "state file not written:" << DecodedPath(m_fileName) << ":"
                          << error.what();
        throw TIniFileError(m_fileName);
    }
    m_modified = false;
}

} // namespace kelvara
