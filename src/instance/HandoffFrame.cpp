// SPDX-License-Identifier: GPL-3.0-or-later
#include "instance/HandoffFrame.h"

#include "instance/InstanceIdentity.h"

#include <algorithm>
#include <stdexcept>

namespace kelvara {

namespace {

constexpr std::size_t WordSize = 4;

void AppendWord(std::string& out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out += static_cast<char>((value >> shift) & 0xFF);
}

std::uint32_t ReadWord(std::string_view bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < WordSize; ++i)
        value |= std::uint32_t{static_cast<unsigned char>(bytes[offset + i])} << (8 * i);
    return value;
}

} // namespace

bool IsCarriableActivationToken(std::string_view token) {
    return token.size() <= MaxActivationTokenSize &&
           std::all_of(token.begin(), token.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
}

std::string EncodeHandoffFrame(std::string_view text, std::string_view activationToken) {
    if (text.size() >= MaxHandoffData)
        throw std::length_error("handoff text too long");
    if (text.find('\0') != std::string_view::npos)
        throw std::invalid_argument("handoff text holds a NUL");
    if (!IsCarriableActivationToken(activationToken))
        throw std::invalid_argument("activation token cannot be carried");

    std::string frame;
    frame.reserve(HandoffHeaderSize + text.size() + 1 + WordSize + activationToken.size());
    AppendWord(frame, HandoffMagic);
    AppendWord(frame, static_cast<std::uint32_t>(text.size() + 1));
    frame += text;
    frame += '\0';
    AppendWord(frame, static_cast<std::uint32_t>(activationToken.size()));
    frame += activationToken;
    return frame;
}

std::string EncodeHandoffAck() {
    std::string ack;
    AppendWord(ack, HandoffMagic);
    return ack;
}

bool IsHandoffAck(std::string_view reply) {
    return reply.size() == HandoffAckSize && ReadWord(reply, 0) == HandoffMagic;
}

std::size_t THandoffFrameReader::PartSize() const {
    switch (m_part) {
    case TPart::Header:
        return HandoffHeaderSize;
    case TPart::TokenSize:
        return WordSize;
    case TPart::Data:
    case TPart::Token:
        break;
    }
    // Data and Token: the size came with the part before and was checked.
    return m_expected;
}

std::size_t THandoffFrameReader::Wanted() const {
    if (m_state != TState::NeedMore)
        return 0;
    return PartSize() - m_buffer.size();
}

std::size_t THandoffFrameReader::Feed(std::string_view arrived) {
    std::size_t taken = 0;
    while (m_state == TState::NeedMore) {
        const std::size_t piece = std::min(Wanted(), arrived.size() - taken);
        m_buffer.append(arrived.substr(taken, piece));
        taken += piece;
        if (m_buffer.size() < PartSize())
            break;
        FinishPart();
    }
    return taken;
}

void THandoffFrameReader::FinishPart() {
    const std::string part = std::move(m_buffer);
    m_buffer.clear();
    switch (m_part) {
    case TPart::Header: {
        if (ReadWord(part, 0) != HandoffMagic) {
            m_state = TState::OtherMagic;
            return;
        }
        const std::uint32_t cbData = ReadWord(part, WordSize);
        if (cbData == 0 || cbData > MaxHandoffData) {
            m_state = TState::Invalid;
            return;
        }
        m_expected = cbData;
        m_part = TPart::Data;
        return;
    }
    case TPart::Data: {
        const std::size_t nul = part.find('\0');
        if (nul == std::string::npos) {
            m_state = TState::Invalid;
            return;
        }
        m_frame.text = part.substr(0, nul);
        m_part = TPart::TokenSize;
        return;
    }
    case TPart::TokenSize: {
        const std::uint32_t size = ReadWord(part, 0);
        if (size > MaxActivationTokenSize) {
            m_state = TState::Invalid;
            return;
        }
        m_expected = size;
        m_part = TPart::Token;
        if (size == 0)
            m_state = TState::Complete;
        return;
    }
    case TPart::Token:
        if (!IsCarriableActivationToken(part)) {
            m_state = TState::Invalid;
            return;
        }
        m_frame.activationToken = part;
        m_state = TState::Complete;
        return;
    }
}

} // namespace kelvara
