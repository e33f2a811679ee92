// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Start-up and shut-down of the metadata library (Exiv2). The program makes
// one, in its start-up code before any thread starts, and keeps it until every
// thread has ended.
//
// - The XMP toolkit is set up once here: left to itself, Exiv2 sets it up on
//   the first XMP packet it meets, which is not safe when two threads could
//   meet one at the same time. The toolkit is not safe for two threads at
//   all, so it is given a lock: the readers of a fast run parse one packet
//   at a time.
// - Exiv2's log is silenced: damaged photos are common and are skipped
//   without a word; Exiv2 would otherwise write warnings to stderr.
// - Metadata in ISO media files (HEIF, AVIF, CR3) is switched on where the
//   Exiv2 version needs it switched on.
//
// The previous log settings come back when the object goes.

#include <mutex>

namespace kelvara {

class TPhotoMetadataLibrary {
public:
    TPhotoMetadataLibrary();
    ~TPhotoMetadataLibrary();
    TPhotoMetadataLibrary(const TPhotoMetadataLibrary&) = delete;
    TPhotoMetadataLibrary& operator=(const TPhotoMetadataLibrary&) = delete;

private:
    std::mutex m_xmpLock;
    int m_previousLevel;
    void (*m_previousHandler)(int, const char*);
};

} // namespace kelvara
