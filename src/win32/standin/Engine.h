// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Windows edition's engine: the shared search worker (TFindFileThread)
// finds the files; the step is still a STAND-IN of this edition's own until
// the shared rename step drives it.
//
// Step. Takes the first found file; when GDI+ loads it as a bitmap, reads
// its date, size and model (Exiv2, from memory) and renames it in its folder
// to the name NewNameFor gives, its companions with it. The rename never
// replaces a file (MoveFileExW without MOVEFILE_REPLACE_EXISTING). Any
// failure leaves the file as it was.

#include "search/FindFileThread.h"
#include "win32/RenameEngine.h"

#include <string>
#include <vector>

namespace kelvara::standin {

class TEngine : public IRenameEngine {
public:
    TEngine();
    TEngine(const TEngine&) = delete;
    TEngine& operator=(const TEngine&) = delete;

    void QueuePaths(const std::vector<std::wstring>& paths) override;
    void Step(const INamingOptions& options) noexcept override;
    void Cancel() override;

    bool HasWork() const override;

private:
    static void Rename(const std::string& path, const INamingOptions& options);

    TCriticalSection m_lock;
    mutable TFindFileThread m_search{m_lock};
};

} // namespace kelvara::standin
