// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/PhotoFile.h"

#include "photo/GPImage.h"
#include "photo/PhotoSource.h"

namespace kelvara {

std::optional<TPhotoProperties> ReadPhotoFile(const std::string& path, std::function<bool()> abort,
                                              TFileIdentity* identity) {
    TFileSource source(path, std::move(abort));
    if (identity != nullptr)
        *identity = source.Identity();
    const bool image = IsImageContent(source);
    // A read that failed on the way leaves an answer that means nothing.
    source.CheckReads();
    if (!image)
        return std::nullopt;
    return ReadPhotoProperties(source);
}

} // namespace kelvara
