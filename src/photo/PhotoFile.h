// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A photo file as the rename step reads it: head first, and no further than
// the image test and the metadata need (see photo/PhotoSource.h). A file that
// is no raster image, a video above all, costs one read of its head.

#include "photo/PhotoProperties.h"
#include "platform/FileIdentity.h"

#include <functional>
#include <optional>
#include <string>

namespace kelvara {

// The properties of the photo at `path`, or nullopt when the file is no
// raster image (TGPImage type 1). Throws std::system_error when the file
// cannot be read: gone, no regular file, above MaxFileContentSize, a failed
// read, or `abort` held at a read (ECANCELED); TPhotoPropertiesError or
// std::bad_alloc as ReadPhotoProperties does. Any thread may call it.
// `identity`, when given, gets the identity of the file read as soon as it
// is open, so that a later look can tell whether its name still holds it.
std::optional<TPhotoProperties> ReadPhotoFile(const std::string& path,
                                              std::function<bool()> abort = {},
                                              TFileIdentity* identity = nullptr);

} // namespace kelvara
