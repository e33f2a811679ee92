// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The handoff message on the wire: what a second copy sends to the running
// one, and the running copy's reply. It keeps the shape of a WM_COPYDATA
// message (a magic, cbData, then cbData bytes of text ending in NUL), so a
// Windows build can send the same bytes, and adds the launcher's activation
// token, without which Wayland and many X11 window managers refuse to bring
// the running copy's window forward.
//
// Frame, every number an unsigned 32-bit little-endian integer:
//
//   offset  size      field
//   0       4         magic: HandoffMagic (0x1111)
//   4       4         cbData: the text's length plus 1, from 1 to MaxHandoffData
//   8       cbData    the comma text of the paths, then one NUL
//   8+cbData 4        token size: from 0 to MaxActivationTokenSize
//   12+cbData size    the activation token: printable ASCII (0x20-0x7E), no NUL
//
// Example: the two arguments C:\My Pics\A.JPG and D:\DCIM give the 26-byte
// text "C:\My Pics\A.JPG",D:\DCIM and cbData 27.
//
// The text is cut at its first NUL; whatever follows it within cbData is
// ignored. cbData bytes without a NUL are a cut-off text and are refused
// whole, so no path is ever taken in part.
//
// Reply: once the running copy has handed every path to its intake, it
// answers with the 4 bytes of HandoffMagic, so that the second copy ends only
// once its paths are safe. A frame it refuses gets no reply.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvara {

// 1 MiB holds some ten thousand long paths: far more than any file manager
// hands over at once, and small enough to buffer without a second thought.
inline constexpr std::size_t MaxHandoffData = std::size_t{1} << 20;
inline constexpr std::size_t MaxActivationTokenSize = 4096;
inline constexpr std::size_t HandoffHeaderSize = 8;
inline constexpr std::size_t HandoffAckSize = 4;

struct THandoffFrame {
    std::string text;            // the comma text, without its NUL
    std::string activationToken; // empty when the launcher gave none
};

// True for a token we can carry: at most MaxActivationTokenSize bytes of
// printable ASCII.
bool IsCarriableActivationToken(std::string_view token);

// The whole frame. Throws std::length_error when the text does not fit in
// MaxHandoffData with its NUL, std::invalid_argument when the text holds a
// NUL or the token is not carriable.
std::string EncodeHandoffFrame(std::string_view text, std::string_view activationToken);

std::string EncodeHandoffAck();
bool IsHandoffAck(std::string_view reply);

// Reads one frame from bytes as they arrive, in pieces of any size. It takes
// no byte beyond the end of the frame, decides as soon as a part is in (a
// wrong magic or an oversize cbData once the 8-byte header is in, a missing
// NUL once cbData bytes are), and so never holds more than MaxHandoffData of
// text however much a peer sends.
class THandoffFrameReader {
public:
    enum class TState {
        NeedMore,   // the frame is not complete yet
        Complete,   // Frame() holds it
        OtherMagic, // not our message: ignore it
        Invalid,    // cbData or the token size out of range, no NUL, a bad token
    };

    // Takes bytes from the front of `arrived` while the frame needs them;
    // returns how many it took. Takes nothing once the state is decided.
    std::size_t Feed(std::string_view arrived);

    // How many more bytes the frame can use before the next decision; 0 once
    // the state is decided. Reading exactly this much never reads past the
    // frame.
    std::size_t Wanted() const;

    TState State() const { return m_state; }
    // Meaningful only in state Complete.
    const THandoffFrame& Frame() const { return m_frame; }

private:
    enum class TPart { Header, Data, TokenSize, Token };

    std::size_t PartSize() const;
    void FinishPart();

    TState m_state = TState::NeedMore;
    TPart m_part = TPart::Header;
    std::size_t m_expected = 0; // size of the Data or Token part, once known
    std::string m_buffer;       // the current part's bytes so far
    THandoffFrame m_frame;
};

} // namespace kelvara
