#include "loading/Bmpmagbase.h"
#include "loading/JpegFile.h"
#include "loading/LoadErrors.h"
#include "loading/MappedFile.h"
#include "support/BmpBuilder.h"
#include "support/JpegBuilder.h"
#include "support/PefBuilder.h"
#include "support/TestFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstring>
#include <fstream>
#include <functional>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray SmallBmp()
{
    BmpSpec s;
    s.Width = 5;
    s.Height = 4;
    s.Bits = 8;
    s.Palette = {qRgb(1, 2, 3), qRgb(4, 5, 6)};
    s.Pixels.assign(20, 1);
    return BuildBmp(s);
}

enum class Outcome { Jpeg, Bmp, Invalid };

// Pipes and devices named like pictures fail at once instead of blocking or filling memory.
TEST(LoadFromFile, OnlyRegularFilesAreRead)
{
    TestFolder folder;
    for (const char* name : {"pipe.jpg", "pipe.bmp", "pipe.PEF", "pipe.xyz"}) {
        const QString path = folder.Path(name);
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << name;
        TBitmapMAGBase picture;
        EXPECT_THROW(picture.LoadFromFile(path), EStreamError) << name;
        EXPECT_TRUE(picture.Empty()) << name;
    }
    const QString device = folder.Path("zero.jpg");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    TBitmapMAGBase picture;
    try {
        picture.LoadFromFile(device);
        ADD_FAILURE() << "a device was read as a picture";
    } catch (const EReadError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("JPEG : \"%1\" の展開に失敗しました").arg(device));
    }
    const QString bmpDevice = folder.Path("zero.bmp");
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), bmpDevice));
    try {
        picture.LoadFromFile(bmpDevice);
        ADD_FAILURE() << "a device was read as a bitmap";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("ファイル %1 は開けません").arg(bmpDevice));
    }
}

TEST(LoadFromFile, BranchIsChosenByExtensionAlone)
{
    TestFolder folder;
    const QByteArray jpeg = JpegBuilder::EncodePattern(24, 16);
    const QByteArray bmp = SmallBmp();
    struct Case { const char* name; const QByteArray* bytes; Outcome outcome; };
    const Case cases[] = {
        {"a.jpg", &jpeg, Outcome::Jpeg},
        {"b.JPG", &jpeg, Outcome::Jpeg},
        {"c.Jpeg", &jpeg, Outcome::Jpeg},
        {"d.JPEG", &jpeg, Outcome::Jpeg},
        {"e.jpe", &jpeg, Outcome::Invalid},      // not ours: the built-in reader refuses it
        {"f.jfif", &jpeg, Outcome::Invalid},
        {"g.BMP", &jpeg, Outcome::Invalid},      // JPEG bytes never reach the JPEG decoder
        {"h.bmp", &bmp, Outcome::Bmp},
        {"i.ico", &bmp, Outcome::Bmp},
        {"j.WMF", &bmp, Outcome::Bmp},
        {"k", &bmp, Outcome::Bmp},
        {"l.emf", &bmp, Outcome::Bmp},
        {"m.jpg.bmp", &bmp, Outcome::Bmp},
        {"dir.jpg/noext", &bmp, Outcome::Bmp},   // a dot in a folder name is no extension
    };
    for (const Case& c : cases) {
        const QString path = folder.Write(c.name, *c.bytes);
        TBitmapMAGBase picture;
        try {
            picture.LoadFromFile(path);
            ASSERT_NE(c.outcome, Outcome::Invalid) << c.name;
            if (c.outcome == Outcome::Jpeg) {
                EXPECT_EQ(QSize(picture.Width(), picture.Height()), QSize(24, 16)) << c.name;
                EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit) << c.name;
                EXPECT_EQ(picture.Image().format(), QImage::Format_BGR888) << c.name;
            } else {
                EXPECT_EQ(QSize(picture.Width(), picture.Height()), QSize(5, 4)) << c.name;
                EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf8bit) << c.name;
            }
        } catch (const EInvalidGraphic&) {
            EXPECT_EQ(c.outcome, Outcome::Invalid) << c.name;
        }
    }
}

template <class E>
QString MessageOf(const QString& path)
{
    TBitmapMAGBase picture;
    try {
        picture.LoadFromFile(path);
    } catch (const E& e) {
        return e.Message();
    } catch (const std::exception& e) {
        return QStringLiteral("wrong exception: ") + QString::fromUtf8(e.what());
    }
    return QStringLiteral("no exception");
}

TEST(LoadFromFile, FailureMessagesNameTheFile)
{
    TestFolder folder;
    const QByteArray jpeg = JpegBuilder::EncodePattern(32, 32);
    const QString missingJpg = folder.Path("missing.jpg");
    const QString missingBmp = folder.Path("missing.bmp");
    const QString brokenJpg = folder.Write("broken.JPG", QByteArray("not a jpeg"));
    const QString cutJpg = folder.Write("cut.jpg", JpegBuilder::Cut(jpeg, jpeg.size() / 2));
    const QString emptyJpg = folder.Write("empty.jpg", QByteArray());
    const QString hugeJpg = folder.Write("huge.jpg", JpegBuilder::WithFrameSize(jpeg, 65500, 65500));
    const QString notBmp = folder.Write("text.bmp", QByteArray("hello"));
    QDir().mkpath(folder.Path("folder.bmp"));
    const QString folderBmp = folder.Path("folder.bmp");

    EXPECT_EQ(MessageOf<EFOpenError>(missingJpg), QStringLiteral("JPEG : \"%1\" が見つかりません").arg(missingJpg));
    for (const QString& p : {brokenJpg, cutJpg, emptyJpg, hugeJpg})
        EXPECT_EQ(MessageOf<EReadError>(p), QStringLiteral("JPEG : \"%1\" の展開に失敗しました").arg(p));
    EXPECT_EQ(MessageOf<EFOpenError>(missingBmp), QStringLiteral("ファイル %1 は開けません").arg(missingBmp));
    EXPECT_EQ(MessageOf<EFOpenError>(folderBmp), QStringLiteral("ファイル %1 は開けません").arg(folderBmp));
    EXPECT_EQ(MessageOf<EInvalidGraphic>(notBmp), QStringLiteral("ビットマップイメージが不正です"));
}

// The seam between a file's size check and its read, set for as long as this lives.
struct SizedHook {
    explicit SizedHook(std::function<void(int)> hook) { AfterFileSized = std::move(hook); }
    ~SizedHook() { AfterFileSized = nullptr; }
};

// A file cut short after its size was taken (an SD card pulled, an editor rewriting it)
// gives the existing failure; mapped, it killed the program with SIGBUS.
TEST(LoadFromFile, AFileCutWhileReadGivesItsFailure)
{
    TestFolder folder;
    PefSpec pef;
    pef.Preview = JpegBuilder::EncodePattern(600, 400);
    struct Case { const char* name; QByteArray bytes; const char* message; };
    const Case cases[] = {
        {"cut.pef", BuildPef(pef), "PEF : \"%1\" が開けません"},
        {"cut.jpg", JpegBuilder::EncodePattern(600, 400), "JPEG : \"%1\" の展開に失敗しました"},
        {"cut.bmp", SmallBmp(), "ファイル %1 は開けません"},
    };
    for (const Case& c : cases) {
        const QString path = folder.Write(c.name, c.bytes);
        const SizedHook cut([&](int) { ASSERT_EQ(::truncate(QFile::encodeName(path).constData(), c.bytes.size() / 2), 0); });
        EXPECT_EQ(MessageOf<EStreamError>(path).toStdString(), QString::fromUtf8(c.message).arg(path).toStdString()) << c.name;
        EXPECT_EQ(QFileInfo(path).size(), c.bytes.size() / 2) << c.name << ": the seam ran";
    }
}

// A figure of /proc/self/<file> ("rchar", "VmPeak"), in bytes.
long long ProcFigure(const char* file, const std::string& key)
{
    std::ifstream in(std::string("/proc/self/") + file);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::stoll(line.substr(key.size() + 1)) * (line.find("kB") != std::string::npos ? 1024 : 1);
    return -1;
}

// Every odd file named like a picture fails with its branch's message at once: no hang,
// no crash, and a 3 GB sparse file is neither read nor held whole.
TEST(LoadFromFile, OddFilesNamedLikePicturesGiveTheirFailure)
{
    TestFolder folder;
    const QByteArray jpeg = JpegBuilder::EncodePattern(16, 16);
    const QByteArray jpegHead = jpeg.left(qsizetype(JpegHeadExtent(
        reinterpret_cast<const unsigned char*>(jpeg.constData()), std::size_t(jpeg.size()))));
    PefSpec pefSpec;
    pefSpec.Preview = jpeg;
    enum Kind { Folder, Socket, Dangling, Unreadable, Empty, Sparse };
    const char* jpgRead = "JPEG : \"%1\" の展開に失敗しました";
    const char* pefOpen = "PEF : \"%1\" が開けません";
    const char* bmpOpen = "ファイル %1 は開けません";
    struct Case { const char* name; Kind kind; QByteArray bytes; const char* message; };
    const Case cases[] = {
        {"folder.jpg", Folder, {}, jpgRead},
        {"socket.jpg", Socket, {}, jpgRead},
        {"dangling.jpg", Dangling, {}, "JPEG : \"%1\" が見つかりません"},
        {"unreadable.jpg", Unreadable, jpeg, jpgRead},
        {"empty.jpg", Empty, {}, jpgRead},
        {"sparse.jpg", Sparse, jpegHead, jpgRead},
        {"folder.pef", Folder, {}, pefOpen},
        {"socket.pef", Socket, {}, pefOpen},
        {"dangling.pef", Dangling, {}, pefOpen},
        {"unreadable.pef", Unreadable, BuildPef(pefSpec), pefOpen},
        {"empty.pef", Empty, {}, pefOpen},
        // A first directory 1 GB in: taken as absent, so no preview and no failure.
        {"far.pef", Sparse, QByteArray("MM\0*\x40\0\0\0", 8), nullptr},
        {"folder.bmp", Folder, {}, bmpOpen},
        {"socket.bmp", Socket, {}, bmpOpen},
        {"dangling.bmp", Dangling, {}, bmpOpen},
        {"unreadable.bmp", Unreadable, SmallBmp(), bmpOpen},
        {"sparse.bmp", Sparse, jpegHead, "ビットマップイメージが不正です"},
    };
    for (const Case& c : cases) {
        const QString path = folder.Path(c.name);
        const QByteArray name = QFile::encodeName(path);
        int socket = -1;
        std::function<void(int)> hook;
        switch (c.kind) {
        case Folder: ASSERT_TRUE(QDir().mkpath(path)); break;
        case Socket: {
            socket = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::strncpy(address.sun_path, name.constData(), sizeof address.sun_path - 1);
            ASSERT_EQ(::bind(socket, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
            break;
        }
        case Dangling: ASSERT_TRUE(QFile::link(folder.Path("nowhere"), path)); break;
        case Unreadable:
            // Root reads past permission bits: the read itself fails, as on a dropped share.
            folder.Write(c.name, c.bytes);
            hook = [&](int fd) { const int w = ::open(name.constData(), O_WRONLY); ::dup2(w, fd); ::close(w); };
            break;
        case Empty: folder.Write(c.name, {}); break;
        case Sparse:
            folder.Write(c.name, c.bytes);
            ASSERT_TRUE(QFile::resize(path, 3LL << 30));
            break;
        }
        const long long read = ProcFigure("io", "rchar"), peak = ProcFigure("status", "VmPeak");
        {
            const SizedHook seam(hook);
            const QString message = c.message ? QString::fromUtf8(c.message) : QStringLiteral("no exception");
            EXPECT_EQ(MessageOf<EStreamError>(path).toStdString(),
                      (message.contains("%1") ? message.arg(path) : message).toStdString()) << c.name;
        }
        EXPECT_LT(ProcFigure("io", "rchar") - read, 1LL << 30) << c.name;
        EXPECT_LT(ProcFigure("status", "VmPeak") - peak, 1LL << 30) << c.name;
        if (socket >= 0)
            ::close(socket);
        QFile::remove(path);
    }
}

TEST(LoadFromFile, ZeroLengthBmpIsAnEmptyPicture)
{
    TestFolder folder;
    TBitmapMAGBase picture;
    EXPECT_NO_THROW(picture.LoadFromFile(folder.Write("zero.bmp", QByteArray())));
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.Width(), 0);
    EXPECT_TRUE(picture.FInfo.isEmpty());
}

TEST(LoadFromFile, JpegWithoutExifHasNoSummary)
{
    TestFolder folder;
    TBitmapMAGBase picture;
    picture.LoadFromFile(folder.Write("plain.jpg", JpegBuilder::EncodePattern(16, 16)));
    EXPECT_TRUE(picture.FInfo.isEmpty());
    EXPECT_FALSE(picture.Empty());
}

TEST(PixelFormatBits, TextLineDepths)
{
    struct Case { TPixelFormat f; int bits; };
    for (const Case& c : {Case{TPixelFormat::pf1bit, 1}, Case{TPixelFormat::pf4bit, 4},
                          Case{TPixelFormat::pf8bit, 8}, Case{TPixelFormat::pf15bit, 15},
                          Case{TPixelFormat::pf16bit, 16}, Case{TPixelFormat::pf24bit, 24},
                          Case{TPixelFormat::pf32bit, 32}, Case{TPixelFormat::pfDevice, 24},
                          Case{TPixelFormat::pfCustom, 24}})
        EXPECT_EQ(PixelFormatBits(c.f), c.bits);
}

} // namespace

#include "exif/Exifana.h"
#include "support/TiffBuilder.h"

#include <QDir>

namespace {

QString SummaryOf(const Bytes& tiff)
{
    TExifRootPENTAXistD reader;
    reader.Parse(tiff.data(), tiff.size(), 8);
    return QString::fromStdString(MakeSummaryText(reader));
}

TEST(LoadFromFile, ExifBlockGivesTheSummaryEvenWhenDecodingFails)
{
    TestFolder folder;
    const Bytes tiff = BuildExifTiff(PhotoLikeSpec());
    const QString expected = SummaryOf(tiff);
    ASSERT_FALSE(expected.isEmpty());
    const QByteArray jpeg = JpegBuilder::InsertApp1(JpegBuilder::EncodePattern(30, 20),
                                                    JpegBuilder::ExifBody(ToQByteArray(tiff)));
    TBitmapMAGBase picture;
    picture.LoadFromFile(folder.Write("exif.jpg", jpeg));
    EXPECT_EQ(picture.FInfo, expected);
    EXPECT_EQ(picture.Width(), 30);

    TBitmapMAGBase cut;
    EXPECT_THROW(cut.LoadFromFile(folder.Write("cut.jpg", JpegBuilder::Cut(jpeg, jpeg.size() - 100))),
                 EReadError);
    EXPECT_EQ(cut.FInfo, expected);
}

TEST(LoadFromFile, RealCameraJpegs)
{
    const QString dir = RealFixturesFolder();
    if (dir.isEmpty())
        GTEST_SKIP() << "no real camera files";
    for (const QString& name : QDir(dir).entryList({"*.jpg", "*.JPG"}, QDir::Files)) {
        TBitmapMAGBase picture;
        picture.LoadFromFile(dir + "/" + name);
        EXPECT_FALSE(picture.Empty()) << name.toStdString();
        EXPECT_EQ(picture.PixelFormat(), TPixelFormat::pf24bit) << name.toStdString();
        EXPECT_FALSE(picture.FInfo.isEmpty()) << name.toStdString();
    }
}

} // namespace
