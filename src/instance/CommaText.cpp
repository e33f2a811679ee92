// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/CommaText.h"

namespace kelvara {

namespace {

constexpr char Quote = '"';
constexpr char Comma = ',';

// Bytes 1 to 32: space and the control characters. Compared unsigned, so
// that the bytes of a multi-byte character (0x80 and up) never count.
bool IsBlank(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 32;
}

bool NeedsQuotes(const std::string& item) {
    for (const char c : item) {
        if (IsBlank(c) || c == Quote || c == Comma)
            return true;
    }
    return false;
}

void AppendQuoted(std::string& text, const std::string& item) {
    text += Quote;
    for (const char c : item) {
        if (c == Quote)
            text += Quote;
        text += c;
    }
    text += Quote;
}

// Walks the text; its end and its first NUL both read as NUL.
class TCommaReader {
public:
    explicit TCommaReader(std::string_view text) : m_text(text) {}

    TCommaItems Read() {
        TCommaItems items;
        SkipBlanks();
        while (Current() != '\0') {
            items.push_back(Current() == Quote ? QuotedItem() : PlainItem());
            SkipBlanks();
            if (Current() == Comma) {
                if (At(m_pos + 1) == '\0')
                    items.emplace_back();
                ++m_pos;
                SkipBlanks();
            }
        }
        return items;
    }

private:
    char At(std::size_t pos) const { return pos < m_text.size() ? m_text[pos] : '\0'; }
    char Current() const { return At(m_pos); }

    void SkipBlanks() {
        while (IsBlank(Current()))
            ++m_pos;
    }

    std::string QuotedItem() {
        std::string item;
        ++m_pos;
        for (;;) {
            const char c = Current();
            if (c == '\0')
                throw TCommaTextError("comma text: a quote is never closed");
            ++m_pos;
            if (c != Quote) {
                item += c;
            } else if (Current() == Quote) {
                item += Quote;
                ++m_pos;
            } else {
                return item;
            }
        }
    }

    std::string PlainItem() {
        const std::size_t start = m_pos;
        while (Current() != '\0' && Current() != Comma && !IsBlank(Current()))
            ++m_pos;
        return std::string(m_text.substr(start, m_pos - start));
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace

std::string WriteCommaText(const TCommaItems& items) {
    if (items.size() == 1 && items.front().empty())
        return std::string{Quote, Quote};
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& item = items[i];
        if (item.find('\0') != std::string::npos)
            throw std::invalid_argument("comma text: an item holds a NUL byte");
        if (i > 0)
            text += Comma;
        if (NeedsQuotes(item))
            AppendQuoted(text, item);
        else
            text += item;
    }
    return text;
}

TCommaItems ReadCommaText(std::string_view text) {
    return TCommaReader(text).Read();
}

} // namespace kelvara
