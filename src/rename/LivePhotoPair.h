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

} // namespace kelvara
