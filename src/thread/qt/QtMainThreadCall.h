// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A TMainThreadCall served by the Qt event loop of the thread that made it:
// a request posts an event there, so the main loop and every modal loop run it.

#include "thread/MainThreadCall.h"

#include <QObject>

namespace kelvara {

class TQtMainThreadCall : public TMainThreadCall {
public:
    // Must be made on the main thread.
    TQtMainThreadCall();

private:
    QObject m_receiver; // lives in the main thread; posted calls go to it
};

} // namespace kelvara
