// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a MOV found by a photo's name (rename/Companions.h) is that
// photo's Live Photo video. An iPhone writes the same content identifier
// into the photo's maker note and into the MOV; a folder merged from two
// phones holds name twins whose identifiers differ, and such a MOV is a
// video of its own, not a companion.

#include <optional>
#include <string>

namespace kelvara {

// False only when both the MOV at `videoPath` and the photo carry a content
// identifier and the two differ. `photoIdentifier` is the photo's, where it
// was read already (empty: none); left out, it is read from the photo at
// `photoPath`, and only when the MOV has one. A file that cannot be read
// counts as carrying none. Reads the MOV's boxes only; never throws.
bool IsLivePhotoVideoOf(const std::string& videoPath, const std::string& photoPath,
                        const std::optional<std::string>& photoIdentifier);

// The other way round, for a MOV read on its own (videos renamed too): the
// path of the photo beside the video at `videoPath` that takes it along as
// its Live Photo video, or nullopt when none does. That photo is a HEIC,
// HEIF or JPEG image named as the MOV without its extension (lower or upper
// case), and its content identifier matches `videoIdentifier` (the MOV's),
// or one of the two has none. A photo that cannot be read still counts, so
// that a pair is never split by a failed read. Throws std::system_error
// when the folder cannot be looked at.
std::optional<std::string> LivePhotoStillOf(const std::string& videoPath,
                                            const std::string& videoIdentifier);

} // namespace kelvara
