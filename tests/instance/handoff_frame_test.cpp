// SPDX-License-Identifier: GPL-3.0-or-later
// The handoff frame as it crosses the socket: its exact bytes, and a reader
// that must stay within what arrived and what cbData allows, and refuse every
// frame that our sender would never produce.

#include "instance/CommaText.h"
#include "instance/HandoffFrame.h"
#include "instance/InstanceIdentity.h"

#include <gtest/gtest.h>

using namespace kelvara;
using TState = THandoffFrameReader::TState;

namespace {

std::string word(std::uint32_t value) {
    std::string bytes;
    for (int i = 0; i < 4; ++i)
        bytes += static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

std::string frameOf(std::uint32_t magic, std::uint32_t cbData, const std::string& data,
                    const std::string& tokenPart = word(0)) {
    return word(magic) + word(cbData) + data + tokenPart;
}

// Feeds `bytes` in pieces of `piece` bytes, as a slow peer would send them,
// and returns how many the reader took.
std::size_t feedInPieces(THandoffFrameReader& reader, std::string_view bytes, std::size_t piece) {
    std::size_t taken = 0;
    while (taken < bytes.size() && reader.State() == TState::NeedMore) {
        const std::size_t wanted = reader.Wanted();
        EXPECT_GT(wanted, 0u);
        const std::size_t n = std::min({piece, wanted, bytes.size() - taken});
        EXPECT_EQ(reader.Feed(bytes.substr(taken, n)), n);
        taken += n;
    }
    return taken;
}

} // namespace

TEST(HandoffFrame, TwoArgumentsGiveTextOf26AndCbData27) {
    const std::string text = WriteCommaText({R"(C:\My Pics\A.JPG)", R"(D:\DCIM)"});
    const std::string frame = EncodeHandoffFrame(text, "");
    ASSERT_EQ(frame.size(), 8u + 27u + 4u);
    EXPECT_EQ(frame.substr(0, 4), std::string("\x11\x11\0\0", 4));
    EXPECT_EQ(frame.substr(4, 4), std::string("\x1B\0\0\0", 4));
    EXPECT_EQ(frame.substr(8, 27), std::string(R"("C:\My Pics\A.JPG",D:\DCIM)") + '\0');
    EXPECT_EQ(frame.substr(35), std::string(4, '\0'));

    THandoffFrameReader reader;
    EXPECT_EQ(reader.Feed(frame), frame.size());
    ASSERT_EQ(reader.State(), TState::Complete);
    EXPECT_EQ(ReadCommaText(reader.Frame().text),
              (TCommaItems{R"(C:\My Pics\A.JPG)", R"(D:\DCIM)"}));
}

TEST(HandoffFrame, ReadsInAnyPiecesAndNeverPastTheFrame) {
    const std::string token = "kwin-launch-1234_TIME5678";
    const std::string frame = EncodeHandoffFrame(R"("a b",c)", token);
    for (std::size_t piece : {std::size_t{1}, std::size_t{3}, std::size_t{7}, frame.size()}) {
        THandoffFrameReader reader;
        // Whatever follows the frame on the wire is not the reader's.
        EXPECT_EQ(feedInPieces(reader, frame + "TRAILING", piece), frame.size());
        ASSERT_EQ(reader.State(), TState::Complete) << piece;
        EXPECT_EQ(reader.Wanted(), 0u);
        EXPECT_EQ(reader.Feed("more"), 0u);
        EXPECT_EQ(reader.Frame().text, R"("a b",c)");
        EXPECT_EQ(reader.Frame().activationToken, token);
    }
}

TEST(HandoffFrame, EmptyTextIsAnActivationRequest) {
    THandoffFrameReader reader;
    reader.Feed(EncodeHandoffFrame("", ""));
    ASSERT_EQ(reader.State(), TState::Complete);
    EXPECT_EQ(reader.Frame().text, "");
    EXPECT_TRUE(ReadCommaText(reader.Frame().text).empty());
}

TEST(HandoffFrame, TextIsCutAtItsNul) {
    THandoffFrameReader reader;
    reader.Feed(frameOf(HandoffMagic, 9, std::string("a,b\0junk", 9)));
    ASSERT_EQ(reader.State(), TState::Complete);
    EXPECT_EQ(reader.Frame().text, "a,b");
}

TEST(HandoffFrame, RefusesWhatNoSenderWrites) {
    struct TCase {
        const char* what;
        std::string bytes;
        TState state;
        std::size_t taken; // where the reader decided
    };
    const std::string big = word(HandoffMagic) + word(MaxHandoffData + 1) + "x";
    const std::vector<TCase> cases = {
        {"other magic", frameOf(0x2222, 2, std::string("a\0", 2)), TState::OtherMagic, 8},
        {"magic byte-swapped", frameOf(0x11110000, 2, std::string("a\0", 2)), TState::OtherMagic,
         8},
        {"cbData 0", frameOf(HandoffMagic, 0, ""), TState::Invalid, 8},
        {"cbData over the bound", big, TState::Invalid, 8},
        {"cbData 0xFFFFFFFF", word(HandoffMagic) + word(0xFFFFFFFF), TState::Invalid, 8},
        // cbData smaller than the text: the cut-off text has no NUL.
        {"no NUL within cbData", frameOf(HandoffMagic, 3, std::string("abcdef\0", 7)),
         TState::Invalid, 11},
        {"token size over the bound",
         frameOf(HandoffMagic, 2, std::string("a\0", 2), word(MaxActivationTokenSize + 1)),
         TState::Invalid, 14},
        {"token with a control byte",
         frameOf(HandoffMagic, 2, std::string("a\0", 2), word(3) + "a\nb"), TState::Invalid, 17},
    };
    for (const auto& c : cases) {
        THandoffFrameReader reader;
        EXPECT_EQ(reader.Feed(c.bytes), c.taken) << c.what;
        EXPECT_EQ(reader.State(), c.state) << c.what;
        EXPECT_EQ(reader.Wanted(), 0u) << c.what;
    }
}

TEST(HandoffFrame, WaitsForWhatCbDataPromises) {
    // cbData larger than what arrives: never complete, and never asks for
    // more than the rest of the declared text.
    THandoffFrameReader reader;
    const std::string partial = word(HandoffMagic) + word(100) + "a,b";
    EXPECT_EQ(reader.Feed(partial), partial.size());
    EXPECT_EQ(reader.State(), TState::NeedMore);
    EXPECT_EQ(reader.Wanted(), 97u);
}

TEST(HandoffFrame, LargestTextFits) {
    const std::string text(MaxHandoffData - 1, 'x');
    THandoffFrameReader reader;
    const std::string frame = EncodeHandoffFrame(text, "");
    EXPECT_EQ(reader.Feed(frame), frame.size());
    ASSERT_EQ(reader.State(), TState::Complete);
    EXPECT_EQ(reader.Frame().text.size(), text.size());

    EXPECT_THROW(EncodeHandoffFrame(std::string(MaxHandoffData, 'x'), ""), std::length_error);
    EXPECT_THROW(EncodeHandoffFrame(std::string("a\0b", 3), ""), std::invalid_argument);
    EXPECT_THROW(EncodeHandoffFrame("a", "tab\there"), std::invalid_argument);
    EXPECT_THROW(EncodeHandoffFrame("a", std::string(MaxActivationTokenSize + 1, 't')),
                 std::invalid_argument);
}

TEST(HandoffFrame, AckIsTheMagic) {
    EXPECT_EQ(EncodeHandoffAck(), std::string("\x11\x11\0\0", 4));
    EXPECT_TRUE(IsHandoffAck(EncodeHandoffAck()));
    EXPECT_FALSE(IsHandoffAck(std::string("\x11\x11\0", 3)));
    EXPECT_FALSE(IsHandoffAck(std::string("\x00\x00\x11\x11", 4)));
}
