// SPDX-License-Identifier: GPL-3.0-or-later
// Handoff frames from any peer: bytes of any content, arriving in pieces of
// any size. The reader must come to the same decision however the bytes are
// cut, never take a byte past the frame, and keep only what it promised:
// a complete frame's text and token are within their limits and encode back
// to a frame that reads the same.

#include "FuzzCheck.h"
#include "instance/HandoffFrame.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using kelvara::THandoffFrameReader;
using kelvara::fuzz::Require;

namespace {

struct TOutcome {
    THandoffFrameReader::TState state;
    std::size_t taken;
};

// Feeds `bytes` in pieces whose sizes come from `cuts` (cycled), the way a
// socket hands them over; a reader that wants nothing more stops the feed.
TOutcome ReadInPieces(THandoffFrameReader& reader, std::string_view bytes, std::string_view cuts) {
    std::size_t taken = 0;
    std::size_t cut = 0;
    while (taken < bytes.size() && reader.State() == THandoffFrameReader::TState::NeedMore) {
        std::size_t piece = bytes.size() - taken;
        if (!cuts.empty())
            piece = std::min<std::size_t>(
                piece, static_cast<unsigned char>(cuts[cut++ % cuts.size()]) + 1);
        Require(reader.Wanted() > 0, "a reader that needs more wants some bytes");
        const std::size_t took = reader.Feed(bytes.substr(taken, piece));
        Require(took <= piece, "the reader takes no more than it is given");
        Require(took == piece || reader.State() != THandoffFrameReader::TState::NeedMore,
                "bytes are left over only once the frame is decided");
        taken += took;
    }
    if (reader.State() != THandoffFrameReader::TState::NeedMore)
        Require(reader.Wanted() == 0 && reader.Feed(bytes.substr(taken)) == 0,
                "a decided reader takes nothing more");
    return {reader.State(), taken};
}

} // namespace

// The first byte says how many of the following bytes are piece sizes; the
// rest is what the peer sends.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const std::string_view all(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cutCount = std::min<std::size_t>(data[0] % 16, all.size());
    const std::string_view cuts = all.substr(0, cutCount);
    const std::string_view bytes = all.substr(cutCount);

    THandoffFrameReader whole;
    const TOutcome once = ReadInPieces(whole, bytes, {});
    THandoffFrameReader pieces;
    const TOutcome cut = ReadInPieces(pieces, bytes, cuts);
    Require(once.state == cut.state && once.taken == cut.taken,
            "the decision does not depend on how the bytes are cut");

    if (once.state != THandoffFrameReader::TState::Complete)
        return 0;
    const kelvara::THandoffFrame& frame = whole.Frame();
    Require(frame.text == pieces.Frame().text &&
                frame.activationToken == pieces.Frame().activationToken,
            "the same frame however the bytes are cut");
    Require(frame.text.size() < kelvara::MaxHandoffData, "the text fits in cbData with its NUL");
    Require(frame.text.find('\0') == std::string::npos, "the text ends at its NUL");
    Require(kelvara::IsCarriableActivationToken(frame.activationToken), "the token is carriable");

    const std::string again = kelvara::EncodeHandoffFrame(frame.text, frame.activationToken);
    Require(again.size() <= once.taken, "a re-encoded frame is no longer than the one read");
    THandoffFrameReader reread;
    Require(reread.Feed(again) == again.size() &&
                reread.State() == THandoffFrameReader::TState::Complete &&
                reread.Frame().text == frame.text &&
                reread.Frame().activationToken == frame.activationToken,
            "a frame read encodes back to one that reads the same");
    return 0;
}
