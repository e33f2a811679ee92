// SPDX-License-Identifier: GPL-3.0-or-later
// The modules' log lines: how items are written and that nothing is
// evaluated for a category that is off (both editions run these), and the
// UTF-8 checks they share.

#include "base/Logging.h"
#include "base/Utf8.h"

#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <vector>

using namespace kelvara;

namespace {

const TLogCategory lcOne("kelvara.one");
const TLogCategory lcOther("kelvara.other");

// Keeps every line of "kelvara.one" at any level; every other category is off.
class RecordingSink final : public ILogSink {
public:
    bool IsEnabled(const TLogCategory& category, TLogLevel) noexcept override {
        return &category == &lcOne;
    }
    void Write(const TLogCategory& category, TLogLevel level,
               std::string_view text) noexcept override {
        const std::lock_guard<std::mutex> hold(m_lock);
        lines.push_back(std::string(category.Name()) + (level == TLogLevel::Warning ? " W " : " ") +
                        std::string(text));
    }
    std::vector<std::string> lines;

private:
    std::mutex m_lock;
};

} // namespace

TEST(LogLines, ItemsAreSpacedTextsQuotedAndEscapedAsQtWritesThem) {
    RecordingSink sink;
    {
        const TLogSinkScope scope(sink);
        LogDebug(lcOne) << "kept" << std::string("/a \"b\"\\c\n\t.jpg") << ":" << 42 << true;
        LogDebug(lcOne) << "invalid" << std::string("x\xff\x01y") << std::string("\xe5\x86\x99");
        LogWarning(lcOne).NoQuote() << std::string("plain") << std::string_view("view");
        LogInfo(lcOne).NoSpace() << "run ended: "
                                 << "finished" << ',' << 3u;
        LogDebug(lcOne) << "";
    }
    // Installed no longer: the line goes nowhere.
    LogDebug(lcOne) << "after";
    const std::vector<std::string> expected = {
        R"(kelvara.one kept "/a \"b\"\\c\n\t.jpg" : 42 true)",
        "kelvara.one invalid \"x\xef\xbf\xbd\\u0001y\" \"\xe5\x86\x99\"",
        "kelvara.one W plain view",
        "kelvara.one run ended: finished,3",
        "kelvara.one ",
    };
    EXPECT_EQ(sink.lines, expected);
}

TEST(LogLines, NothingIsEvaluatedForACategoryThatIsOff) {
    RecordingSink sink;
    const TLogSinkScope scope(sink);
    int evaluated = 0;
    const auto count = [&] { return ++evaluated; };
    LogDebug(lcOther) << count();
    if (evaluated == 0)
        LogDebug(lcOne) << "on" << count();
    else
        LogDebug(lcOne) << "else branch";
    EXPECT_EQ(evaluated, 1);
    EXPECT_EQ(sink.lines, std::vector<std::string>{"kelvara.one on 1"});
}

TEST(Utf8Text, InvalidSequencesAreFoundCountedAndReplaced) {
    EXPECT_TRUE(IsValidUtf8("IMG_0001.JPG \xe5\x86\x99\xe7\x9c\x9f \xf0\x9f\x93\xb7"));
    for (const char* invalid : {"\xff", "\xc0\xaf", "\xed\xa0\x80", "\xe5\x86", "\xf4\x90\x80\x80"})
        EXPECT_FALSE(IsValidUtf8(invalid)) << invalid;
    // A four-byte character is a surrogate pair; a stray byte one unit.
    EXPECT_EQ(Utf16Length("a\xe5\x86\x99\xf0\x9f\x93\xb7\xff"), 5u);
    EXPECT_EQ(ValidUtf8("a\xc0\xafz"), "a\xef\xbf\xbd\xef\xbf\xbdz");
}
