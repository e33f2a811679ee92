// SPDX-License-Identifier: GPL-3.0-or-later
#include "thread/qt/QtMainThreadCall.h"

#include <QMetaObject>

namespace kelvara {

TQtMainThreadCall::TQtMainThreadCall()
    : TMainThreadCall([this] {
          // Posted, not direct: this runs on the requesting thread. A call
          // still posted when the receiver goes is dropped with it.
          QMetaObject::invokeMethod(
              &m_receiver, [this] { Serve(); }, Qt::QueuedConnection);
      }) {}

} // namespace kelvara
