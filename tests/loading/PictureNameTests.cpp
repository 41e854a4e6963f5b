#include "loading/PictureName.h"

#include <gtest/gtest.h>
#include <ostream>

namespace {

const char* TypeName(TPictureType t)
{
    switch (t) {
    case TPictureType::None: return "None";
    case TPictureType::Jpeg: return "Jpeg";
    case TPictureType::Pef: return "Pef";
    case TPictureType::Bmp: return "Bmp";
    case TPictureType::Camera: return "Camera";
    case TPictureType::Shipped: return "Shipped";
    case TPictureType::Plugin: return "Plugin";
    }
    return "?";
}

struct NameCase {
    const char* test;
    const char* name;
    TPictureType type;
};
inline void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class ClassifyPictureTable : public ::testing::TestWithParam<NameCase> {};

TEST_P(ClassifyPictureTable, TypeFromTheNameAlone)
{
    const NameCase& c = GetParam();
    EXPECT_STREQ(TypeName(ClassifyPicture(QString::fromUtf8(c.name))), TypeName(c.type)) << c.name;
    EXPECT_STREQ(TypeName(ClassifyPicture(std::string_view(c.name))), TypeName(c.type)) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    PictureName, ClassifyPictureTable,
    ::testing::Values(
        NameCase{"LowerJpg", "a.jpg", TPictureType::Jpeg},
        NameCase{"UpperJpg", "b.JPG", TPictureType::Jpeg},
        NameCase{"MixedJpeg", "c.Jpeg", TPictureType::Jpeg},
        NameCase{"UpperJpeg", "d.JPEG", TPictureType::Jpeg},
        NameCase{"JpeIsNotOurs", "e.jpe", TPictureType::Plugin},
        NameCase{"JfifIsNotOurs", "f.jfif", TPictureType::Plugin},
        NameCase{"Jpeg2IsNotOurs", "g.JPEG2", TPictureType::Plugin},
        NameCase{"FullWidthJpgIsNotOurs", "h.\xEF\xBD\x8A\xEF\xBD\x90\xEF\xBD\x87", TPictureType::Plugin},
        NameCase{"LowerPef", "i.pef", TPictureType::Pef},
        NameCase{"MixedPef", "j.Pef", TPictureType::Pef},
        NameCase{"Bmp", "k.bmp", TPictureType::Bmp},
        NameCase{"Ico", "l.ICO", TPictureType::Bmp},
        NameCase{"Wmf", "m.Wmf", TPictureType::Bmp},
        NameCase{"Emf", "n.emf", TPictureType::Bmp},
        NameCase{"Tiff", "o.tif", TPictureType::Shipped},
        NameCase{"Webp", "o.WebP", TPictureType::Shipped},
        NameCase{"CanonRaw", "o.cr3", TPictureType::Camera},
        NameCase{"Hasselblad", "o.3FR", TPictureType::Camera},
        NameCase{"PhoneHeic", "o.HEIC", TPictureType::Camera},
        NameCase{"Psd", "o.psd", TPictureType::Plugin},
        NameCase{"NoExtension", "noext", TPictureType::None},
        NameCase{"EmptyName", "", TPictureType::None},
        NameCase{"TrailingDotIsAnExtension", "p.", TPictureType::Plugin},
        NameCase{"DotfileIsAllExtension", ".jpg", TPictureType::Jpeg},
        NameCase{"OtherDotfile", ".bashrc", TPictureType::Plugin},
        NameCase{"OnlyTheLastDotCounts", "x.jpg.bak", TPictureType::Plugin},
        NameCase{"BackupOfAnyNameEndingJpg", "x.bak.JPG", TPictureType::Jpeg},
        NameCase{"TrailingBlankIsKept", "q.jpg ", TPictureType::Plugin},
        NameCase{"FullPath", "/home/u/Pictures/IMGP0001.JPG", TPictureType::Jpeg},
        NameCase{"DotInFolderIsNoExtension", "/pics/dir.jpg/noext", TPictureType::None},
        NameCase{"FolderDotThenFileExtension", "/pics/dir.jpg/r.pef", TPictureType::Pef},
        NameCase{"FolderPathItself", "/pics/dir.jpg/", TPictureType::None}),
    [](const auto& info) { return std::string(info.param.test); });

TEST(PictureName, ExtensionIsUpperCasedWithItsDot)
{
    EXPECT_EQ(PictureExtension(QStringLiteral("/a.b/c.Jpeg")), QStringLiteral(".JPEG"));
    EXPECT_EQ(PictureExtension(QStringLiteral("/a.b/c")), QString());
    EXPECT_EQ(PictureExtension(QStringLiteral("x.jpg.bak")), QStringLiteral(".BAK"));
}

} // namespace
