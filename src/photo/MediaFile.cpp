// SPDX-License-Identifier: GPL-3.0-or-later
#include "photo/MediaFile.h"

#include "base/SystemError.h"
#include "photo/ByteSource.h"
#include "photo/GPImage.h"
#include "photo/MediaContainer.h"
#include "photo/PhotoFile.h"
#include "photo/VideoProperties.h"

#include <cerrno>
#include <limits>
#include <string_view>

namespace kelvara {

namespace {

// A photo source as the video reader reads it: its head at hand, the rest
// fetched where the reader looks (and counted, and failures remembered, by
// the photo source).
class TPhotoByteSource final : public IByteSource {
public:
    explicit TPhotoByteSource(TPhotoSource& source) : m_source(source) {}

    std::int64_t Size() const override { return m_source.Size(); }
    std::int64_t ReadAt(std::int64_t offset, char* data, std::int64_t length) override {
        return m_source.ReadInto(offset, data, length);
    }

private:
    TPhotoSource& m_source;
};

} // namespace

std::optional<TPhotoProperties> ReadVideoAsPhoto(TPhotoSource& source, std::string* failure) {
    TPhotoByteSource bytes(source);
    auto video = ReadVideoProperties(bytes);
    // A read that failed on the way leaves an answer that means nothing.
    source.CheckReads();
    if (!video)
        return std::nullopt;
    if (failure != nullptr)
        *failure = std::move(video->failure);
    TPhotoProperties properties;
    properties.DateTaken = std::move(video->DateTaken);
    properties.DateSource = video->DateSource;
    properties.Dimensions = std::move(video->Dimensions);
    properties.CameraModel = std::move(video->CameraModel);
    properties.ContentIdentifier = std::move(video->ContentIdentifier);
    return properties;
}

std::optional<TPhotoProperties> ReadMediaFile(const std::string& path, const TMediaChoice& choice,
                                              std::function<bool()> abort, TMediaReadNotes* notes) {
    if (!choice.videos)
        return ReadPhotoFile(path, std::move(abort), notes != nullptr ? &notes->identity : nullptr);
    // Videos run to many GB; only their boxes are read. Anything else keeps
    // the photos' size limit, as without the choice.
    TFileSource source(path, std::move(abort), std::numeric_limits<std::int64_t>::max());
    if (notes != nullptr)
        notes->identity = source.Identity();
    const bool movie = IsQuickTimeMovie(ByteText(source.Head()));
    if (!movie && source.Size() > MaxFileContentSize)
        ThrowSystemError(EFBIG, "too large to be a photo: " + path);
    const bool image = IsImageContent(source);
    source.CheckReads();
    if (image)
        return ReadPhotoProperties(source);
    if (!movie)
        return std::nullopt;
    std::string failure;
    auto video = ReadVideoAsPhoto(source, &failure);
    if (video && notes != nullptr) {
        notes->video = true;
        notes->videoFailure = std::move(failure);
    }
    return video;
}

} // namespace kelvara
