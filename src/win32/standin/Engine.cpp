// SPDX-License-Identifier: GPL-3.0-or-later
#include "win32/standin/Engine.h"

#include "photo/PhotoProperties.h"
#include "photo/PhotoSource.h"
#include "rename/CompanionMove.h"
#include "win32/GdiPlus.h"
#include "win32/WideText.h"
#include "win32/standin/NewName.h"

#include <algorithm>

namespace kelvara::standin {

TEngine::TEngine() {
    m_search.Resume();
}

void TEngine::QueuePaths(const std::vector<std::wstring>& paths) {
    // The shared search joins and splits paths at "/", which Windows takes
    // as a delimiter too.
    std::vector<std::string> queued;
    queued.reserve(paths.size());
    for (const std::wstring& path : paths) {
        std::string utf8 = Utf8FromWide(path);
        std::replace(utf8.begin(), utf8.end(), '\\', '/');
        queued.push_back(std::move(utf8));
    }
    m_search.AddPaths(queued);
}

void TEngine::Cancel() {
    m_search.Cancel();
}

bool TEngine::HasWork() const {
    return m_search.HasWork();
}

void TEngine::Step(const INamingOptions& options) noexcept {
    try {
        TPathList taken;
        m_search.TakeFiles(taken, 1);
        if (!taken.empty())
            Rename(taken.front(), options);
    } catch (...) {
        // The file keeps its name; the next step goes on with the next one.
    }
}

void TEngine::Rename(const std::string& path, const INamingOptions& options) {
    if (!IsImageFile(WideFromUtf8(path)))
        return;
    // Head first through the shared reader: a JPEG is read up to its first
    // scan, never mapped.
    TFileSource source(path);
    const kelvara::TPhotoProperties read = kelvara::ReadPhotoProperties(source);
    const TPhotoProperties properties{read.DateTaken, read.Dimensions, read.CameraModel};
    const std::size_t delimiter = path.find_last_of('/');
    const std::string folder =
        delimiter == std::string::npos ? std::string() : path.substr(0, delimiter + 1);
    const std::string oldName = path.substr(folder.size());
    const auto newName = NewNameFor(properties, options, oldName);
    if (!newName)
        return;
    // The photo moves with its companions (sidecars, a Live Photo's video),
    // all or nothing, and never over an existing file.
    MovePhotoWithCompanions(path, folder + *newName);
}

} // namespace kelvara::standin
