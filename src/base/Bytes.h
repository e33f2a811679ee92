// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A file's content in memory, and the views the parsers take of it: the
// signature checks read it as characters, the image and metadata libraries as
// bytes of their own type.

#include <cstddef>
#include <string_view>
#include <vector>

namespace kelvara {

using TBytes = std::vector<std::byte>;

inline std::string_view ByteText(const TBytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

inline const char* CharData(const TBytes& bytes) {
    return reinterpret_cast<const char*>(bytes.data());
}

inline char* CharData(TBytes& bytes) {
    return reinterpret_cast<char*>(bytes.data());
}

inline TBytes BytesOf(std::string_view text) {
    const auto* begin = reinterpret_cast<const std::byte*>(text.data());
    return TBytes(begin, begin + text.size());
}

} // namespace kelvara
