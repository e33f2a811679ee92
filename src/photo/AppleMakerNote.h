// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one thing we read from an iPhone's maker note: the content identifier
// that a Live Photo's still and its video share (the video holds it as
// com.apple.quicktime.content.identifier), so that a video that merely
// shares a photo's name, from another phone, is not taken for its half.
//
// The maker note is an IFD of its own after the header "Apple iOS\0", its
// offsets counted from the header's start, so it reads the same wherever the
// Exif block puts it; tag 0x0011 holds the identifier as text.

#include <string>
#include <string_view>

namespace kelvara {

// The identifier in the maker note `note` (the bytes of Exif's MakerNote
// tag), or empty when it is no Apple maker note, holds none or is damaged.
std::string AppleContentIdentifier(std::string_view note);

} // namespace kelvara
