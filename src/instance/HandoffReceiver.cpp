// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/HandoffReceiver.h"

#include "instance/CommaText.h"
#include "instance/HandoffEndpoint.h"
#include "instance/HandoffSocket.h"
#include "instance/InstanceLock.h"
#include "instance/Log.h"

#include <stdexcept>

namespace kelvara {

namespace {

class TFrameSession : public IHandoffSession {
public:
    explicit TFrameSession(IHandoffTarget& target) : m_target(target) {}

    std::size_t Wanted() const override { return m_reader.Wanted(); }
    void Feed(std::string_view bytes) override { m_reader.Feed(bytes); }

    std::string Finish() override {
        // Another magic is not ours to answer; a bad frame was not sent whole.
        switch (m_reader.State()) {
        case THandoffFrameReader::TState::Complete:
            break;
        case THandoffFrameReader::TState::OtherMagic:
            LogDebug(lcInstance) << "handoff: frame of another magic dropped";
            return {};
        case THandoffFrameReader::TState::Invalid:
        case THandoffFrameReader::TState::NeedMore:
            LogDebug(lcInstance) << "handoff: invalid frame dropped";
            return {};
        }
        HandleHandoffFrame(m_reader.Frame(), m_target);
        return EncodeHandoffAck();
    }

private:
    IHandoffTarget& m_target;
    THandoffFrameReader m_reader;
};

} // namespace

void HandleHandoffFrame(const THandoffFrame& frame, IHandoffTarget& target) {
    const TCommaItems paths = ReadCommaText(frame.text);
    target.Activate(frame.activationToken);
    target.QueuePaths(paths);
}

THandoffReceiver::THandoffReceiver(const TInstanceLock& lock, IHandoffTarget& target)
    : m_target(target) {
    if (lock.Folder().empty())
        throw std::runtime_error("no private runtime folder to listen in (" + lock.FolderError() +
                                 ")");
    m_socketPath = std::make_unique<THandoffSocketPath>(lock.Folder(), lock.Name());
    m_endpoint = std::make_unique<THandoffEndpoint>(m_socketPath->Path(), lock.HoldsLock(), [this] {
        return std::make_unique<TFrameSession>(m_target);
    });
    // Tests wait for this line: later copies can reach us from now on.
    LogDebug(lcInstance) << "handoff endpoint listens";
}

THandoffReceiver::~THandoffReceiver() = default;

} // namespace kelvara
