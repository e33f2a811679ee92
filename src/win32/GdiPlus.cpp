// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/GdiPlus.h"

#include <memory>
#include <new>
#include <windows.h>
// COM's types, which GDI+'s headers use without including them.
#include <objidl.h>
// GDI+ last: it needs both of the above.
#include <gdiplus.h>

namespace kelvara {

namespace gp = Gdiplus;
namespace flat = Gdiplus::DllExports;

TGdiplusSession::TGdiplusSession() {
    gp::GdiplusStartupInput input;
    input.GdiplusVersion = 1;
    input.DebugEventCallback = nullptr;
    input.SuppressBackgroundThread = FALSE;
    input.SuppressExternalCodecs = FALSE;
    ULONG_PTR token = 0;
    gp::GdiplusStartup(&token, &input, nullptr);
    m_token = token;
}

TGdiplusSession::~TGdiplusSession() {
    if (m_token != 0)
        gp::GdiplusShutdown(static_cast<ULONG_PTR>(m_token));
}

void* TGdiplusBase::operator new(std::size_t size) {
    void* memory = flat::GdipAlloc(size);
    if (!memory)
        throw std::bad_alloc();
    return memory;
}

void TGdiplusBase::operator delete(void* memory) noexcept {
    flat::GdipFree(memory);
}

TGPImage::TGPImage(const std::wstring& fileName) {
    gp::GpImage* image = nullptr;
    if (flat::GdipLoadImageFromFile(fileName.c_str(), &image) == gp::Ok)
        m_image = image;
}

TGPImage::~TGPImage() {
    if (m_image)
        flat::GdipDisposeImage(static_cast<gp::GpImage*>(m_image));
}

int TGPImage::GetType() const {
    gp::ImageType type = gp::ImageTypeUnknown;
    if (!m_image || flat::GdipGetImageType(static_cast<gp::GpImage*>(m_image), &type) != gp::Ok)
        return 0;
    return static_cast<int>(type);
}

bool IsImageFile(const std::wstring& path) {
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    // Made on GDI+'s heap, as every object of the binding is.
    const std::unique_ptr<TGPImage> image(new TGPImage(path));
    return image->GetType() == 1;
}

} // namespace kelvara
