// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image test through GDI+: a file is an image when GDI+ loads it as a
// bitmap (image type 1). A file GDI+ cannot load, a metafile (type 2) and
// anything that is no file are no images.
//
// A thin binding over GDI+'s flat interface: TGdiplusBase takes its objects'
// memory from GDI+'s own allocator; TGPImage holds one native image, empty
// when loading failed. TGdiplusSession starts GDI+ and shuts it down; it
// must outlive every image, so the program makes it before its first window
// and keeps it until the last rename step has run.

#include <cstddef>
#include <string>

namespace kelvara {

class TGdiplusSession {
public:
    // Start-up is not checked: where it fails, every file fails the test.
    TGdiplusSession();
    ~TGdiplusSession();
    TGdiplusSession(const TGdiplusSession&) = delete;
    TGdiplusSession& operator=(const TGdiplusSession&) = delete;

private:
    unsigned long long m_token = 0;
};

class TGdiplusBase {
public:
    static void* operator new(std::size_t size);
    static void operator delete(void* memory) noexcept;
};

class TGPImage : public TGdiplusBase {
public:
    explicit TGPImage(const std::wstring& fileName);
    ~TGPImage();
    TGPImage(const TGPImage&) = delete;
    TGPImage& operator=(const TGPImage&) = delete;

    // GDI+'s image type: 0 unknown (also when the image did not load), 1
    // bitmap, 2 metafile.
    int GetType() const;

private:
    void* m_image = nullptr;
};

// True exactly when `path` names an existing file that GDI+ loads as a bitmap.
bool IsImageFile(const std::wstring& path);

} // namespace kelvara
