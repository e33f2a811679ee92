// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// SIGTERM, SIGINT and SIGHUP end the program the normal way: the signal is
// turned into a call on the main thread (through a pipe that the event loop
// watches), where the program quits its loop and shuts down as when its
// window is closed, saving its state. Nothing else is done in the handler.

#include "base/UniqueFd.h"

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace kelvara {

class TTerminationSignals : public QObject {
public:
    // Installs the handlers; `onSignal` runs on the main thread.
    explicit TTerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
    // Puts the previous handlers back.
    ~TTerminationSignals() override;
    TTerminationSignals(const TTerminationSignals&) = delete;
    TTerminationSignals& operator=(const TTerminationSignals&) = delete;

private:
    std::function<void()> m_onSignal;
    // The pipe from the handler to the event loop.
    TUniqueFd m_pipeRead;
    TUniqueFd m_pipeWrite;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace kelvara
