// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/IniText.h"

#include <algorithm>

namespace kelvara {

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

} // namespace

TIniText::TIniText(std::string text) : m_text(std::move(text)) {
    const std::size_t lineFeed = m_text.find('\n');
    m_newLine = lineFeed != std::string::npos && lineFeed > 0 && m_text[lineFeed - 1] == '\r'
                    ? "\r\n"
                    : "\n";
    Parse();
}

// The same walk as SimpleIni's reader (CSimpleIniA::FindEntry, without
// multi-line values, quotes or keys without "="), over positions instead of
// a buffer it may write into.
void TIniText::Parse() {
    const std::size_t end = std::min(m_text.find('\0'), m_text.size());
    std::size_t pos =
        std::string_view(m_text).starts_with(ByteOrderMark) ? ByteOrderMark.size() : 0;
    std::string section;
    m_appendAt = end;
    const auto toLineEnd = [&] {
        while (pos < end && !IsLineEnd(m_text[pos]))
            ++pos;
    };
    const auto trimmedEnd = [&](std::size_t from, std::size_t to) {
        while (to > from && IsBlank(m_text[to - 1]))
            --to;
        return to;
    };
    while (pos < end) {
        while (pos < end && IsBlank(m_text[pos]))
            ++pos;
        if (pos >= end)
            break;
        if (m_text[pos] == ';' || m_text[pos] == '#') {
            toLineEnd();
            continue;
        }
        if (m_text[pos] == '[') {
            const std::size_t open = pos++;
            // The name may start on a later line; it must end on its own.
            while (pos < end && IsBlank(m_text[pos]))
                ++pos;
            const std::size_t nameBegin = pos;
            while (pos < end && m_text[pos] != ']' && !IsLineEnd(m_text[pos]))
                ++pos;
            if (pos >= end) {
                m_appendAt = open;
                break;
            }
            if (m_text[pos] != ']')
                continue;
            section.assign(m_text, nameBegin, trimmedEnd(nameBegin, pos) - nameBegin);
            toLineEnd();
            m_entries.push_back({true, section, {}, open, pos});
            continue;
        }
        const std::size_t keyBegin = pos;
        while (pos < end && m_text[pos] != '=' && !IsLineEnd(m_text[pos]))
            ++pos;
        if (pos >= end || m_text[pos] != '=')
            continue;
        const std::size_t keyEnd = trimmedEnd(keyBegin, pos);
        toLineEnd();
        if (keyEnd == keyBegin)
            continue;
        m_entries.push_back(
            {false, section, m_text.substr(keyBegin, keyEnd - keyBegin), keyBegin, pos});
    }
}

std::size_t TIniText::AfterLine(std::size_t end) const {
    if (end < m_text.size() && m_text[end] == '\r' && end + 1 < m_text.size() &&
        m_text[end + 1] == '\n')
        return end + 2;
    if (end < m_text.size() && IsLineEnd(m_text[end]))
        return end + 1;
    return end;
}

void TIniText::Insert(std::size_t at, const std::string& inserted, std::size_t firstMoved) {
    m_text.insert(at, inserted);
    for (std::size_t i = firstMoved; i < m_entries.size(); ++i) {
        m_entries[i].begin += inserted.size();
        m_entries[i].end += inserted.size();
    }
    if (m_appendAt >= at)
        m_appendAt += inserted.size();
}

void TIniText::Set(std::string_view section, std::string_view key, std::string_view value) {
    value = value.substr(0, value.find('\0'));

    // A key that stands: its first line is rewritten in place.
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        TEntry& entry = m_entries[i];
        if (entry.header || !SameName(entry.section, section) || !SameName(entry.key, key))
            continue;
        const std::string line = entry.key + '=' + std::string(value);
        const std::size_t oldEnd = entry.end;
        m_text.replace(entry.begin, oldEnd - entry.begin, line);
        entry.end = entry.begin + line.size();
        for (std::size_t j = i + 1; j < m_entries.size(); ++j) {
            m_entries[j].begin = m_entries[j].begin - oldEnd + entry.end;
            m_entries[j].end = m_entries[j].end - oldEnd + entry.end;
        }
        m_appendAt = m_appendAt - oldEnd + entry.end;
        return;
    }

    const std::string line = std::string(key) + '=' + std::string(value);
    // A section that stands: the key goes after the last entry of its first
    // block (keys before any header are the first block of the section "").
    std::size_t last = m_entries.size();
    if (section.empty() && !m_entries.empty() && !m_entries.front().header)
        last = 0;
    for (std::size_t i = 0; last == m_entries.size() && i < m_entries.size(); ++i)
        if (m_entries[i].header && SameName(m_entries[i].section, section))
            last = i;
    if (last < m_entries.size()) {
        while (last + 1 < m_entries.size() && !m_entries[last + 1].header)
            ++last;
        const std::size_t lineEnd = m_entries[last].end;
        const std::size_t at = AfterLine(lineEnd);
        std::string inserted = line + m_newLine;
        std::size_t begin = at;
        if (at == lineEnd) {
            // The block's last line has no line end of its own.
            inserted = m_newLine + line + (at == m_text.size() ? m_newLine : std::string());
            begin += m_newLine.size();
        }
        Insert(at, inserted, last + 1);
        m_entries.insert(
            m_entries.begin() + static_cast<std::ptrdiff_t>(last) + 1,
            TEntry{false, m_entries[last].section, std::string(key), begin, begin + line.size()});
        return;
    }

    // A new section, at the end.
    const std::size_t at = m_appendAt;
    std::string inserted = at > 0 && !IsLineEnd(m_text[at - 1]) ? m_newLine : std::string();
    const std::size_t headerBegin = at + inserted.size();
    const std::string header = '[' + std::string(section) + ']';
    inserted += header + m_newLine;
    const std::size_t keyBegin = at + inserted.size();
    inserted += line + m_newLine;
    Insert(at, inserted, m_entries.size());
    m_entries.push_back(
        TEntry{true, std::string(section), {}, headerBegin, headerBegin + header.size()});
    m_entries.push_back(
        TEntry{false, std::string(section), std::string(key), keyBegin, keyBegin + line.size()});
}

} // namespace kelvara
