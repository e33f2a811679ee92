// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the rename step learns of one file before it names it: the photo's
// (or, when videos are renamed too, the video's) properties, read head first
// (photo/MediaFile.h), or why there are none.
// The reading happens on the reader thread ahead of the step
// (rename/PhotoReader.h), or in the step itself where there is no reader.

#include "photo/PhotoProperties.h"
#include "platform/FileIdentity.h"
#include "rename/Companions.h"
#include "rename/RenameOutcome.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelvara {

struct TPreparedPhoto {
    // The properties of a raster image, or of a video when it was read with
    // videos on; none for anything else.
    std::optional<TPhotoProperties> properties;
    // Why there are none, for the step's debug line, and which of the kept
    // reasons that is: no image, gone before it was read, or unreadable.
    // For a video without a date, why it has none.
    std::string failure;
    TKeptReason failureReason = TKeptReason::NotAPhoto;
    // Whether it was read with videos on, and whether the properties are a
    // video's: the step reads it again where the choice changed since.
    bool videosChoice = false;
    bool video = false;
    // A Live Photo's video read on its own (videos on): the photo beside it
    // that takes it along when it moves. It is not renamed on its own.
    std::string livePhotoOf;
    // The file that was read, from the descriptor it was read through: the
    // step renames it only while its name still holds this file.
    std::optional<TFileIdentity> identity;
    // The photo's companions as they were when it was read, so that the step
    // neither looks them up nor reads their heads on the main thread; none
    // where the file is no photo or they could not be looked for (the move
    // then looks for them itself).
    std::optional<std::vector<TCompanion>> companions;
    // The rename written ahead into the history, where there is one: its
    // record and the target it was written for. The step uses it only for
    // that same target.
    std::optional<std::int64_t> intent;
    std::string plannedTarget;
    // How many files (the photo and its companions) the record lists.
    std::size_t plannedFiles = 0;
};

// Reads the file at `path` as a photo (PrepareMedia with videos off, see
// rename/PreparedMedia.h). Every failure (no image, unreadable or gone, no
// readable metadata, out of memory) ends in `failure`; none escapes, so that
// the file keeps its name and the next one goes on. `abort` is asked at every
// read after the head: once it holds, the reading stops early.
TPreparedPhoto PreparePhoto(const std::string& path, std::function<bool()> abort = {});

// For a photo or video (one with properties), looks up its companions ahead of its
// step; where that fails, they are left for the move to look up. Never
// throws.
void LookUpCompanions(const std::string& path, TPreparedPhoto& photo);

} // namespace kelvara
