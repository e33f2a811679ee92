// SPDX-License-Identifier: GPL-3.0-or-later
// The comma text a second copy sends: any bytes may arrive. Reading either
// gives items or refuses the text with TCommaTextError; what was read writes
// back to a text that reads the same. The input is also taken as a list of
// items (split at 0xFF bytes), which must survive writing and reading.

#include "FuzzCheck.h"
#include "instance/CommaText.h"

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string_view>

using kelvara::fuzz::Require;

namespace {

void ReadAnyText(std::string_view text) {
    kelvara::TCommaItems items;
    try {
        items = kelvara::ReadCommaText(text);
    } catch (const kelvara::TCommaTextError&) {
        Require(text.find('"') != std::string_view::npos, "only an open quote is refused");
        return;
    }
    for (const std::string& item : items)
        Require(item.find('\0') == std::string::npos, "no item holds the NUL that ends the text");
    Require(kelvara::ReadCommaText(kelvara::WriteCommaText(items)) == items,
            "items read from any text write back to the same items");
}

void WriteAnyItems(std::string_view data) {
    kelvara::TCommaItems items;
    if (!data.empty()) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = data.find('\xFF', start);
            items.emplace_back(data.substr(start, end - start));
            if (end == std::string_view::npos)
                break;
            start = end + 1;
        }
    }
    bool holdsNul = false;
    for (const std::string& item : items)
        holdsNul = holdsNul || item.find('\0') != std::string::npos;
    std::string text;
    try {
        text = kelvara::WriteCommaText(items);
    } catch (const std::invalid_argument&) {
        Require(holdsNul, "only an item with a NUL is refused");
        return;
    }
    Require(!holdsNul, "an item with a NUL is refused");
    Require(kelvara::ReadCommaText(text) == items, "a written list reads back whole");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ReadAnyText(bytes);
    WriteAnyItems(bytes);
    return 0;
}
