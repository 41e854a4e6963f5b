#include "handoff/HandoffChannel.h"

#include <gtest/gtest.h>

namespace {

struct SplitCase {
    const char* name;
    QByteArray text;
    QStringList expected;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }


class SplitHandoffTextTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitHandoffTextTest, BreaksAtCrLfOrEither)
{
    EXPECT_EQ(SplitHandoffText(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, SplitHandoffTextTest, ::testing::Values(
    SplitCase{"Empty", "", {}},
    SplitCase{"CrLfTerminated", "a.jpg\r\nb.jpg\r\n", {"a.jpg", "b.jpg"}},
    SplitCase{"LastLineWithoutBreak", "a.jpg\r\nb.jpg", {"a.jpg", "b.jpg"}},
    SplitCase{"LoneCrAndLoneLf", "a\rb\nc", {"a", "b", "c"}},
    SplitCase{"LfCrIsTwoBreaks", "a\n\rb", {"a", "", "b"}},
    SplitCase{"EmptyLineInTheMiddleIsKept", "a\r\n\r\nb\r\n", {"a", "", "b"}},
    SplitCase{"OnlyABreakIsOneEmptyName", "\r\n", {""}},
    SplitCase{"CutAfterCr", "a\r\nb\r", {"a", "b"}},
    SplitCase{"Utf8Names", "/写真/ｶﾒﾗ 1.jpg\r\n", {QString::fromUtf8("/写真/ｶﾒﾗ 1.jpg")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JoinHandoffText, EveryNameEndsWithCrLf)
{
    EXPECT_EQ(JoinHandoffText({"/p/a b.jpg", QString::fromUtf8("ﾃｽﾄ.PEF")}), "/p/a b.jpg\r\n" + QString::fromUtf8("ﾃｽﾄ.PEF").toUtf8() + "\r\n");
    EXPECT_EQ(JoinHandoffText({}), QByteArray());
}

struct CutCase {
    const char* name;
    QStringList names;
    int maxBytes;
    QByteArray expected;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const CutCase& c, std::ostream* os) { *os << c.name; }


class JoinHandoffCutTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(JoinHandoffCutTest, CutsAtAWholeCharacter)
{
    EXPECT_EQ(JoinHandoffText(GetParam().names, GetParam().maxBytes), GetParam().expected);
}

// "写" is three bytes (E5 86 99), "ﾃ" three (EF BE 83), "é" two.
INSTANTIATE_TEST_SUITE_P(Limits, JoinHandoffCutTest, ::testing::Values(
    CutCase{"FitsExactly", {"abc"}, 5, "abc\r\n"},
    CutCase{"CutsInsideTheLineBreak", {"abc"}, 4, "abc\r"},
    CutCase{"CutsInsideAName", {"abcdef"}, 3, "abc"},
    CutCase{"DropsAThreeByteCharacterCutAfterOneByte", {QString::fromUtf8("ab写")}, 3, "ab"},
    CutCase{"DropsAThreeByteCharacterCutAfterTwoBytes", {QString::fromUtf8("ab写")}, 4, "ab"},
    CutCase{"KeepsTheWholeCharacter", {QString::fromUtf8("ab写")}, 5, QString::fromUtf8("ab写").toUtf8()},
    CutCase{"HalfWidthKatakana", {QString::fromUtf8("ﾃﾃ")}, 5, QString::fromUtf8("ﾃ").toUtf8()},
    CutCase{"TwoByteCharacter", {QString::fromUtf8("xé")}, 2, "x"},
    CutCase{"ZeroBytes", {"a"}, 0, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JoinHandoffText, TwentyThousandBytesArriveAsTheFirst16383AtACharacterBoundary)
{
    // 6-byte names ("写真" = 6 bytes) plus CR LF: 8 bytes a line, 2500 lines = 20000 bytes.
    QStringList names;
    for (int i = 0; i < 2500; ++i)
        names << QString::fromUtf8("写真");
    const QByteArray text = JoinHandoffText(names);
    // 16383 = 2047 whole lines (16376 bytes) + 7 bytes: "写真" (6) and a CR.
    EXPECT_EQ(text.size(), 16383);
    EXPECT_TRUE(text.endsWith(QString::fromUtf8("\r\n写真\r").toUtf8()));
    const QStringList back = SplitHandoffText(text);
    EXPECT_EQ(back.size(), 2048);
    EXPECT_EQ(back.last(), QString::fromUtf8("写真"));

    // Shifted by one byte the cut would fall inside "真": it drops the whole character.
    names.prepend("x");
    const QByteArray shifted = JoinHandoffText(names);
    EXPECT_EQ(shifted.size(), 16382);
    EXPECT_EQ(SplitHandoffText(shifted).last(), QString::fromUtf8("写"));
}

struct FrameCase {
    const char* name;
    QByteArray received;
    HandoffFrame kind;
    QByteArray text;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const FrameCase& c, std::ostream* os) { *os << c.name; }

class ParseHandoffRequestTest : public ::testing::TestWithParam<FrameCase> {};

TEST_P(ParseHandoffRequestTest, ReadsOneBoundedRequest)
{
    const HandoffRequest request = ParseHandoffRequest(GetParam().received);
    EXPECT_EQ(request.kind, GetParam().kind);
    EXPECT_EQ(request.text, GetParam().text);
}

const QByteArray kLongest = QByteArray(kHandoffTextLimit, 'x');

INSTANTIATE_TEST_SUITE_P(Frames, ParseHandoffRequestTest, ::testing::Values(
    FrameCase{"Nothing", "", HandoffFrame::Incomplete, {}},
    FrameCase{"Title", "T", HandoffFrame::AskTitle, {}},
    FrameCase{"TitleWithMore", "Tx", HandoffFrame::Malformed, {}},
    FrameCase{"UnknownRequest", "x", HandoffFrame::Malformed, {}},
    FrameCase{"PartOfTheLength", QByteArray("N\0\0", 3), HandoffFrame::Incomplete, {}},
    FrameCase{"PartOfTheNames", QByteArray("N\0\0\0\5a.j", 8), HandoffFrame::Incomplete, {}},
    FrameCase{"Names", MakeNamesRequest("a.jpg\r\n"), HandoffFrame::Names, "a.jpg\r\n"},
    FrameCase{"NoNames", MakeNamesRequest(""), HandoffFrame::Names, ""},
    FrameCase{"TheLongest", MakeNamesRequest(kLongest), HandoffFrame::Names, kLongest},
    FrameCase{"OneByteTooLong", QByteArray("N\0\0\x40\0", 5), HandoffFrame::Malformed, {}},
    FrameCase{"HugeLength", QByteArray("N\xff\xff\xff\xff", 5), HandoffFrame::Malformed, {}},
    FrameCase{"BytesAfterTheNames", MakeNamesRequest("a") + "b", HandoffFrame::Malformed, {}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
