// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/IniFile.h"

#include "base/qt/QtLog.h"
#include "state/IniText.h"
#include "state/Log.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
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

TIniFileError::TIniFileError(const QString& fileName)
    //: The state file could not be saved; %1 is its full path.
    : std::runtime_error(
          QCoreApplication::translate("kelvara::TIniFileError", "%1 に書き込めません")
              .arg(fileName)
              .toUtf8()
              .toStdString()),
      m_fileName(fileName) {}

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

std::string Utf8(const QString& text) {
    return text.toUtf8().toStdString();
}

std::string OneLine(const QString& value) {
    std::string text = Utf8(value);
    for (char& c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

} // namespace

TIniFile::TIniFile(const QString& fileName)
    : m_fileName(fileName), m_data(std::make_unique<TData>()) {
    m_data->ini.SetSpaces(false); // "Key=Value", as the Windows service writes it
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        LogDebug(lcState) << "state file not read, counts as empty:" << fileName << ":"
                          << file.errorString();
        return;
    }
    m_data->bytes = file.readAll().toStdString();
    // A file that does not parse leaves whatever SimpleIni read of it.
    if (m_data->ini.LoadData(m_data->bytes.data(), m_data->bytes.size()) < 0)
        LogDebug(lcState) << "state file read in part:" << fileName;
}

TIniFile::~TIniFile() = default;

QString TIniFile::ReadString(const QString& section, const QString& key, const QString& def) const {
    const char* value = m_data->ini.GetValue(Utf8(section).c_str(), Utf8(key).c_str(), nullptr);
    if (value == nullptr)
        return def;
    // A U+FEFF at the head of a value is one of its characters, not a byte
    // order mark: QString::fromUtf8 would drop it, and the blanks after it
    // would then head a value that is meant to be trimmed.
    QStringDecoder decode(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = decode(QByteArrayView(value));
    // Cut at a whole character, never inside a surrogate pair.
    if (text.size() > IniMaxValueLength) {
        qsizetype cut = IniMaxValueLength;
        if (text.at(cut - 1).isHighSurrogate())
            --cut;
        text.truncate(cut);
    }
    return text;
}

std::optional<std::int32_t> ParseIniInteger(const QString& stored) {
    QString text = stored;
    if (text.size() > 2 && text.at(0) == u'0' && (text.at(1) == u'x' || text.at(1) == u'X'))
        text = u'$' + text.mid(2);

    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && text.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    if (i < n && text.at(i) == u'$') {
        ++i;
        const qsizetype digits = n - i;
        if (digits < 1 || digits > 8)
            return std::nullopt;
        std::uint32_t pattern = 0;
        for (; i < n; ++i) {
            const int digit = HexDigit(text.at(i).unicode());
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
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c - u'0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -value : value);
}

std::int32_t TIniFile::ReadInteger(const QString& section, const QString& key,
                                   std::int32_t def) const {
    return ParseIniInteger(ReadString(section, key, QString())).value_or(def);
}

bool TIniFile::ReadBool(const QString& section, const QString& key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& key, const QString& value) {
    const std::string sectionName = Utf8(section);
    const std::string keyName = m_data->KeySpelling(sectionName, Utf8(key));
    const std::string text = OneLine(value);
    const SI_Error rc = m_data->ini.SetValue(sectionName.c_str(), keyName.c_str(), text.c_str(),
                                             nullptr, /*forceReplace=*/true);
    if (rc < 0)
        throw TIniFileError(m_fileName);
    if (!m_data->text)
        m_data->text.emplace(std::move(m_data->bytes));
    // Cut where SimpleIni cuts it, at a NUL, so that both hold the same.
    m_data->text->Set(sectionName, keyName, text.c_str());
    m_modified = true;
}

void TIniFile::WriteInteger(const QString& section, const QString& key, std::int32_t value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString& section, const QString& key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::UpdateFile() {
    if (!m_modified)
        return;
    const std::string& text = m_data->text->Text();
    // QSaveFile writes beside the target and renames over it on commit; it
    // refuses a read-only target and never falls back to writing in place.
    // Unbuffered: a buffered write that fails only when close() flushes it
    // (a full disk) goes unnoticed by Qt 6.4's commit, which then renames
    // the truncated file over the good one.
    QSaveFile file(m_fileName);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw TIniFileError(m_fileName);
    if (file.write(text.data(), static_cast<qint64>(text.size())) !=
            static_cast<qint64>(text.size()) ||
        !file.commit())
        throw TIniFileError(m_fileName);
    m_modified = false;
}

} // namespace kelvara
