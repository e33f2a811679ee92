// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The video (and sound) containers that cameras and phones write, told by a
// file's first bytes, so that the image test can refuse them without reading
// further and no decoder walks a container of hundreds of megabytes:
//
// - ISO media files (MP4, MOV, 3GP, M4V) whose file-type box names no still
//   image brand: HEIF, HEIC, AVIF and Canon's CR3 are ISO media files too,
//   and are not refused; QuickTime files without a file-type box (older
//   cameras), by their first atom;
// - RIFF files other than WebP (AVI, and WAVE sound);
// - Matroska and WebM (the EBML header);
// - MPEG transport streams (TS, and the 192-byte packets of AVCHD's MTS and
//   M2TS): a sync byte at the start of every packet of the head;
// - MPEG program streams (MPG, VOB, MOD, TOD): a pack header;
// - ASF (WMV) and Flash video.
//
// None of these signatures is one of a raster image format, so refusing them
// changes no image test's answer; it only spares the reading.

#include <cstddef>
#include <string_view>

namespace kelvara {

// How far into a file the test looks, at most. The answer must not depend on
// how much of a file its caller happens to hold (a file read head first, or
// its content read whole): a file-type box that claims to run past its head,
// or sync bytes that stop just after it, would otherwise be a video to one
// caller and not to the other. Callers give at least this much of any longer
// file.
inline constexpr std::size_t MediaSignatureSpan = 64 * 1024;

// True when `head`, the first bytes of a file (a few KiB suffice; more, up
// to MediaSignatureSpan, make the transport stream test surer), is one of the
// containers above. Bytes beyond MediaSignatureSpan are not looked at.
bool IsMediaContainer(std::string_view head);

// True when `head` is a video of the ISO media and QuickTime family alone
// (MP4, MOV, M4V, 3GP; the first kind above), whose dates the video reader
// knows (photo/VideoProperties.h). Looks no further than IsMediaContainer.
bool IsQuickTimeMovie(std::string_view head);

} // namespace kelvara
