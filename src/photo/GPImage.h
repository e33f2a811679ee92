// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image library's binding, in the shape the rename step expects of it:
// an image object made from a file's content that says which kind of image
// it holds. Each edition binds its own library: on Linux Qt's image reader
// does the work (photo/qt/GPImage.cpp), with libheif (HEIC, HEIF, AVIF) and
// LibRaw (camera RAW files) for what it does not know. Only headers are
// looked at (format and pixel size); nothing is decoded, so the test stays
// cheap and a damaged body cannot hurt us.

#include "photo/PhotoSource.h"
#include "platform/windows/GdiplusBase.h"

namespace kelvara {

// The kinds of image the binding tells apart. The values are fixed: callers
// and stored results compare against them as numbers.
enum TImageType : int {
    ImageTypeUnknown = 0,  // not an image we can read, damaged or empty
    ImageTypeBitmap = 1,   // a raster format whose header the reader understands
    ImageTypeMetafile = 2, // a vector drawing (SVG, EMF, WMF)
};

// One image, "loaded" from a file's content or from a file read head first.
// The bytes are examined once, when the object is made; the object keeps no
// reference to them.
class TGPImage : public TGdiplusBase {
public:
    explicit TGPImage(const TBytes& content);
    // Reads only what the decision needs: the head, and of a file whose head
    // names an image format, what that format's reader looks at. A video
    // container is refused by its head alone (see photo/MediaContainer.h).
    explicit TGPImage(TPhotoSource& source);

    // ImageTypeBitmap when the content is a raster image the reader can
    // load: a format it recognises whose header gives a non-empty pixel size
    // (formats whose reader cannot tell the size without decoding count when
    // they are recognised); a whole HEIF-family file whose primary image has
    // a readable header; a camera RAW file whose sensor data is all there
    // (TIFF-based ones included, whatever their first image). ImageTypeMetafile for vector
    // drawings, recognised by their own signatures, so the answer does not depend on which Qt
    // plugins are installed. ImageTypeUnknown otherwise: empty, unknown or
    // damaged content.
    TImageType GetType() const { return m_type; }

private:
    TImageType m_type = ImageTypeUnknown;
};

// True exactly when `content` is a raster image (TGPImage type 1); vector
// drawings are no photos.
bool IsImageContent(const TBytes& content);
bool IsImageContent(TPhotoSource& source);

} // namespace kelvara
