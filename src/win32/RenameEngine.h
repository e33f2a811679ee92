// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the Windows main window asks of the search and rename machinery: paths
// in, one rename step per pacing tick (which looks at Escape first), a cancel
// when the window closes. The window holds the
// naming options and hands them to each step, so a change applies from the
// next file on.

#include "rename/NamingOptions.h"

#include <string>
#include <vector>

namespace kelvara {

class IRenameEngine {
public:
    virtual ~IRenameEngine() = default;

    // Full paths, in order: a folder is searched (recursively, in the
    // background), a file is queued, anything else is dropped. Any thread.
    virtual void QueuePaths(const std::vector<std::wstring>& paths) = 0;

    // With Escape pressed, empties the queues as Cancel does; then takes at
    // most one found file and renames it by `options`. Never throws: a file
    // that cannot be renamed keeps its name. Main thread.
    virtual void Step(const INamingOptions& options) noexcept = 0;

    // Empties the queues and stops a running search.
    virtual void Cancel() = 0;

    // True while a folder waits or is searched, or a found file waits.
    virtual bool HasWork() const = 0;
};

} // namespace kelvara
