#include "handoff/HandoffChannel.h"

#include <gtest/gtest.h>

namespace {

// "|" stands for the NUL after each name.
QByteArray Z(const char* text)
{
    QByteArray bytes(text);
    bytes.replace('|', '\0');
    return bytes;
}

struct TextCase {
    const char* name;
    QStringList names;
    int maxBytes;
    QByteArray text;      // what goes over the socket
    QStringList arrives;  // what the window reads from it
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const TextCase& c, std::ostream* os) { *os << c.name; }

class HandoffTextTest : public ::testing::TestWithParam<TextCase> {};

// Any byte but NUL survives, line breaks included; a cut falls only between whole names.
TEST_P(HandoffTextTest, NamesArriveWholeAndExactly)
{
    EXPECT_EQ(JoinHandoffText(GetParam().names, GetParam().maxBytes), GetParam().text);
    EXPECT_EQ(SplitHandoffText(GetParam().text), GetParam().arrives);
}

// "写" is three bytes.
INSTANTIATE_TEST_SUITE_P(Texts, HandoffTextTest, ::testing::Values(
    TextCase{"None", {}, 100, "", {}},
    TextCase{"Two", {"/p/a b.jpg", "/c.jpg"}, 100, Z("/p/a b.jpg|/c.jpg|"), {"/p/a b.jpg", "/c.jpg"}},
    TextCase{"LineBreaksInAName", {"/a\r\nb.jpg", "/c\n.jpg"}, 100, Z("/a\r\nb.jpg|/c\n.jpg|"),
             {"/a\r\nb.jpg", "/c\n.jpg"}},
    TextCase{"EmptyNameKept", {"", "/a"}, 100, Z("|/a|"), {"", "/a"}},
    TextCase{"FitsExactly", {"abc", "de"}, 7, Z("abc|de|"), {"abc", "de"}},
    TextCase{"CutBetweenNames", {"abc", "defgh"}, 7, Z("abc|"), {"abc"}},
    TextCase{"NothingFits", {"abcdef"}, 3, "", {}},
    TextCase{"Utf8Names", {QString::fromUtf8("/写真/ｶﾒﾗ 1.jpg")}, 100, QString::fromUtf8("/写真/ｶﾒﾗ 1.jpg").toUtf8() + '\0',
             {QString::fromUtf8("/写真/ｶﾒﾗ 1.jpg")}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JoinHandoffText, TwentyThousandBytesArriveAsTheWholeNamesThatFit)
{
    // "写真" is 6 bytes, 7 with its NUL: 2500 names are 17500 bytes; 2340 fit in 16383.
    QStringList names;
    for (int i = 0; i < 2500; ++i)
        names << QString::fromUtf8("写真");
    const QByteArray text = JoinHandoffText(names);
    EXPECT_EQ(text.size(), 2340 * 7);
    EXPECT_EQ(SplitHandoffText(text), names.mid(0, 2340));
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
