// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows edition's image test: GDI+ loads the content from memory and
// says whether it holds a bitmap. A video is refused by its head first and
// never read whole; a photo is read whole into memory, never mapped. The
// caller keeps a GDI+ session open (TGdiplusSession).
#include "photo/GPImage.h"

#include "photo/MediaContainer.h"

#include <shlwapi.h>
#include <windows.h>
// COM's types, which GDI+'s headers use without including them.
#include <objidl.h>
// GDI+ last: it needs both of the above.
#include <gdiplus.h>

namespace kelvara {

namespace {

namespace gp = Gdiplus;
namespace flat = Gdiplus::DllExports;

bool IsBitmap(const TBytes& content) {
    if (content.empty() || content.size() > MAXUINT)
        return false;
    IStream* stream = SHCreateMemStream(reinterpret_cast<const BYTE*>(content.data()),
                                        static_cast<UINT>(content.size()));
    if (stream == nullptr)
        return false;
    gp::GpImage* image = nullptr;
    gp::ImageType type = gp::ImageTypeUnknown;
    if (flat::GdipLoadImageFromStream(stream, &image) == gp::Ok) {
        flat::GdipGetImageType(image, &type);
        flat::GdipDisposeImage(image);
    }
    stream->Release();
    return type == gp::ImageTypeBitmap;
}

} // namespace

bool IsImageContent(const TBytes& content) {
    return !IsMediaContainer(ByteText(content)) && IsBitmap(content);
}

bool IsImageContent(TPhotoSource& source) {
    if (IsMediaContainer(ByteText(source.Head())))
        return false;
    if (const TBytes* whole = source.Whole())
        return IsBitmap(*whole);
    return IsBitmap(source.ReadAll());
}

} // namespace kelvara
