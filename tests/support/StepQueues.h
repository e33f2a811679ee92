// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a rename step needs around it where a test or a benchmark queues the
// files itself: the metadata library, a search worker that is never resumed
// and its lock, the pending list, and an Escape key nobody presses.

#include "photo/PhotoMetadataLibrary.h"
#include "platform/EscapeKey.h"
#include "search/FindFileThread.h"
#include "search/PathList.h"

namespace kelvara::test {

class NoEscape : public IEscapeKey {
public:
    bool Pressed() override { return false; }
};

struct StepQueues {
    TPhotoMetadataLibrary library;
    TCriticalSection lock;
    TFindFileThread worker{lock}; // never resumed: files are queued directly
    TPathList pending;
};

} // namespace kelvara::test
