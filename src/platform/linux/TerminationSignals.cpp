// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TerminationSignals.h"

#include "base/Contained.h"
#include "platform/Log.h"

#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace kelvara {

namespace {

constexpr std::array<int, 3> HandledSignals = {SIGTERM, SIGINT, SIGHUP};

// The pipe's write end, for the handler (which may touch nothing else).
volatile sig_atomic_t SignalPipeWrite = -1;
struct sigaction PreviousActions[HandledSignals.size()];

void OnSignal(int signal) {
    const int savedErrno = errno;
    const unsigned char code = static_cast<unsigned char>(signal);
    if (SignalPipeWrite >= 0) [[maybe_unused]]
        const auto written = write(SignalPipeWrite, &code, 1);
    errno = savedErrno;
}

} // namespace

TTerminationSignals::TTerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), m_onSignal(std::move(onSignal)) {
    int ends[2] = {-1, -1};
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the signal pipe");
    m_pipeRead.reset(ends[0]);
    m_pipeWrite.reset(ends[1]);
    SignalPipeWrite = m_pipeWrite.get();
    m_notifier = new QSocketNotifier(m_pipeRead.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char codes[16];
        while (read(m_pipeRead.get(), codes, sizeof codes) > 0) {
        }
        Contained(lcPlatform, "signal not handled", [this] { m_onSignal(); });
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < HandledSignals.size(); ++i)
        sigaction(HandledSignals[i], &action, &PreviousActions[i]);
}

TTerminationSignals::~TTerminationSignals() {
    for (std::size_t i = 0; i < HandledSignals.size(); ++i)
        sigaction(HandledSignals[i], &PreviousActions[i], nullptr);
    SignalPipeWrite = -1;
    // The notifier watches the read end: it goes first.
    delete m_notifier;
}

} // namespace kelvara
