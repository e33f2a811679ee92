// SPDX-License-Identifier: GPL-3.0-or-later
// Comma text, the text form in which a second copy hands its paths over: the
// writing and reading rules, and round trips of every kind of item a path (or
// a hostile sender) can hold.

#include "instance/CommaText.h"

#include <gtest/gtest.h>
#include <random>

using namespace kelvara;

namespace {

TCommaItems roundTrip(const TCommaItems& items) {
    return ReadCommaText(WriteCommaText(items));
}

} // namespace

TEST(CommaTextWrite, QuotesOnlyItemsThatNeedIt) {
    // Two command-line arguments of a second launch: 26 characters.
    const std::string text = WriteCommaText({R"(C:\My Pics\A.JPG)", R"(D:\DCIM)"});
    EXPECT_EQ(text, R"("C:\My Pics\A.JPG",D:\DCIM)");
    EXPECT_EQ(text.size(), 26u);

    EXPECT_EQ(WriteCommaText({"a,b"}), R"("a,b")");
    EXPECT_EQ(WriteCommaText({R"(say "hi")"}), R"("say ""hi""")");
    EXPECT_EQ(WriteCommaText({"tab\there"}), "\"tab\there\"");
    EXPECT_EQ(WriteCommaText({"line\nbreak"}), "\"line\nbreak\"");
    EXPECT_EQ(WriteCommaText({"ctl\x01"}), "\"ctl\x01\"");
    // Bytes above 32 are not separators, whatever their sign as a char:
    // UTF-8, DEL and stray high bytes stay unquoted.
    EXPECT_EQ(WriteCommaText({"caf\xC3\xA9.jpg"}), "caf\xC3\xA9.jpg");
    EXPECT_EQ(WriteCommaText({"\x7F\xFF\x80"}), "\x7F\xFF\x80");
}

TEST(CommaTextWrite, EmptyListsAndEmptyItems) {
    EXPECT_EQ(WriteCommaText({}), "");
    EXPECT_EQ(WriteCommaText({""}), R"("")");
    EXPECT_EQ(WriteCommaText({"", ""}), ",");
    EXPECT_EQ(WriteCommaText({"a", "", "b"}), "a,,b");
    EXPECT_EQ(WriteCommaText({"a", ""}), "a,");
}

TEST(CommaTextWrite, RefusesNulInItem) {
    EXPECT_THROW(WriteCommaText({std::string("a\0b", 3)}), std::invalid_argument);
}

TEST(CommaTextRead, SeparatorsAndBlanks) {
    EXPECT_EQ(ReadCommaText(""), TCommaItems{});
    EXPECT_EQ(ReadCommaText(" \t\r\n "), TCommaItems{});
    EXPECT_EQ(ReadCommaText(R"("")"), TCommaItems{""});
    EXPECT_EQ(ReadCommaText("  a ,\tb  "), (TCommaItems{"a", "b"}));
    // An unquoted blank ends an item.
    EXPECT_EQ(ReadCommaText("a b"), (TCommaItems{"a", "b"}));
    EXPECT_EQ(ReadCommaText("a,,b"), (TCommaItems{"a", "", "b"}));
    EXPECT_EQ(ReadCommaText("a,"), (TCommaItems{"a", ""}));
    EXPECT_EQ(ReadCommaText(","), (TCommaItems{"", ""}));
    EXPECT_EQ(ReadCommaText(",a"), (TCommaItems{"", "a"}));
    // Blanks after the last comma are skipped before the end is seen.
    EXPECT_EQ(ReadCommaText("a, "), (TCommaItems{"a"}));
    // Text straight after a closing quote starts the next item.
    EXPECT_EQ(ReadCommaText(R"("a b"c)"), (TCommaItems{"a b", "c"}));
    // A quote inside an unquoted item is an ordinary character.
    EXPECT_EQ(ReadCommaText(R"(ab"c,d)"), (TCommaItems{R"(ab"c)", "d"}));
    EXPECT_EQ(ReadCommaText(R"("say ""hi""")"), TCommaItems{R"(say "hi")"});
}

TEST(CommaTextRead, HighBytesAreNeverSeparators) {
    // A no-break space in UTF-8 (C2 A0) and bytes that read as negative
    // chars must not end an item.
    EXPECT_EQ(ReadCommaText("x\xC2\xA0y,\xE5\x86\x99\xE7\x9C\x9F"),
              (TCommaItems{"x\xC2\xA0y", "\xE5\x86\x99\xE7\x9C\x9F"}));
    EXPECT_EQ(ReadCommaText("\xA0\xA0"), TCommaItems{"\xA0\xA0"});
}

TEST(CommaTextRead, EndsAtTheFirstNul) {
    EXPECT_EQ(ReadCommaText(std::string_view("a,b\0c,d", 7)), (TCommaItems{"a", "b"}));
    EXPECT_EQ(ReadCommaText(std::string_view("a,\0b", 4)), (TCommaItems{"a", ""}));
}

TEST(CommaTextRead, RefusesUnclosedQuote) {
    EXPECT_THROW(ReadCommaText(R"("abc)"), TCommaTextError);
    EXPECT_THROW(ReadCommaText(R"(a,"b"")"), TCommaTextError);
    EXPECT_THROW(ReadCommaText("\""), TCommaTextError);
    // A NUL inside the quotes ends the text before the quote closes.
    EXPECT_THROW(ReadCommaText(std::string_view("\"a\0\"", 4)), TCommaTextError);
}

TEST(CommaTextRoundTrip, AwkwardItems) {
    const std::vector<TCommaItems> lists = {
        {},
        {""},
        {"", ""},
        {"", "", ""},
        {"", "a"},
        {"a", ""},
        {" "},
        {","},
        {"\""},
        {"\"\""},
        {"\",\""},
        {"/home/me/My Pics/IMG 0001.JPG", "/media/card/DCIM"},
        {"Photos, 2008", "a\"b", "trailing ", " leading", "new\nline", "cr\rlf\n"},
        {"\xE5\x86\x99\xE7\x9C\x9F/\xE6\x97\x85\xE8\xA1\x8C.JPG", "Ünïcödé ✓.jpeg"},
        {"\xFF\xFE not utf-8 \xC3", "\x01\x02\x1F"},
        {"relative/path.jpg", "./x", "../y", "-", "--help"},
    };
    for (const auto& items : lists)
        EXPECT_EQ(roundTrip(items), items) << WriteCommaText(items);
}

TEST(CommaTextRoundTrip, RandomItemsOfEveryByte) {
    std::mt19937 random(20080318);
    std::uniform_int_distribution<int> count(0, 6);
    std::uniform_int_distribution<int> length(0, 8);
    // Weighted towards the bytes that mean something to the format.
    const std::string special = " \t\n\",\x01\x1F\x20\x21\x7F\x80\xA0\xC3\xFF";
    std::uniform_int_distribution<int> pick(0, 3);
    std::uniform_int_distribution<int> anyByte(1, 255);
    std::uniform_int_distribution<std::size_t> specialByte(0, special.size() - 1);
    for (int round = 0; round < 5000; ++round) {
        TCommaItems items(static_cast<std::size_t>(count(random)));
        for (auto& item : items) {
            const int size = length(random);
            for (int i = 0; i < size; ++i)
                item += pick(random) == 0 ? special[specialByte(random)]
                                          : static_cast<char>(anyByte(random));
        }
        ASSERT_EQ(roundTrip(items), items) << WriteCommaText(items);
    }
}
