// velumira-info run as users run it: a real process over files made in code, its lines,
// its error stream and its exit status.
#include "focus/FocusMap.h"
#include "loading/Bmpmagbase.h"
#include "support/BmpBuilder.h"
#include "support/DngBuilder.h"
#include "support/FocusScenes.h"
#include "support/JpegBuilder.h"
#include "support/PefBuilder.h"
#include "support/TestFolder.h"
#include "support/TiffBuilder.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct InfoRun {
    int exitCode = -1;
    QStringList out;
    QStringList err;
};

InfoRun Info(const QStringList& args)
{
    QProcess p;
    p.start(QStringLiteral(VELUMIRA_INFO_EXE), args);
    EXPECT_TRUE(p.waitForFinished(30000));
    InfoRun r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(p.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    return r;
}

// The summary of the builders' photo-like block, as the panel shows it.
const QString kPhotoSummary = QString::fromUtf8(
    "1/125 F5.6 50.0(75)mm \"smc PENTAX-F 50mmF1.4\" ISO200 EV-1/3 Av 多分割 AF-S WBｵｰﾄ F非発光 ");

QByteArray PhotoJpeg(int w, int h)
{
    const QByteArray tiff = ToQByteArray(BuildExifTiff(PhotoLikeSpec()));
    return JpegBuilder::InsertApp1(JpegBuilder::EncodePattern(w, h), JpegBuilder::ExifBody(tiff));
}

QByteArray Bmp8(int w, int h)
{
    BmpSpec s;
    s.Width = w;
    s.Height = h;
    s.Bits = 8;
    s.Palette = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
    s.Pixels.assign(std::size_t(w) * h, 1);
    return BuildBmp(s);
}

TEST(InfoTool, PrintsThePanelLineOfEachKind)
{
    TestFolder dir;
    const QString jpeg = dir.Write("shot.JPG", PhotoJpeg(120, 80));
    const QString plain = dir.Write("plain.jpeg", JpegBuilder::EncodePattern(33, 17));
    const QString bmp = dir.Write("scan.bmp", Bmp8(640, 480));
    const QString pef = dir.Write("raw.PEF", BuildPefWithExif(JpegBuilder::EncodePattern(96, 64), true));

    const InfoRun r = Info({jpeg, plain, bmp, pef});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.isEmpty()) << r.err.join('\n').toStdString();
    ASSERT_EQ(r.out.size(), 4);
    EXPECT_EQ(r.out[0], jpeg + QString::fromUtf8("\t120×80 ") + kPhotoSummary);
    EXPECT_EQ(r.out[1], plain + QString::fromUtf8("\t33×17 (24)"));
    EXPECT_EQ(r.out[2], bmp + QString::fromUtf8("\t640×480 (8)"));
    EXPECT_EQ(r.out[3], pef + QString::fromUtf8("\t96×64 ") + kPhotoSummary);
}

TEST(InfoTool, PluginFormatsPrintWhatTheViewerShows)
{
    TestFolder dir;
    DngSpec preview;
    preview.SmallPreview = SolidJpeg(16, 12, Qt::blue);
    preview.Preview = SolidJpeg(64, 48, Qt::red);
    preview.Exif = PhotoLikeSpec();
    DngSpec developed = preview;
    developed.Preview.clear();
    developed.Exif.exifDirectory = false;
    const QString withPreview = dir.Write("a.DNG", BuildDng(preview));
    const QString withoutExif = dir.Write("b.dng", BuildDng(developed));
    const QString notRaw = dir.Write("c.NEF", "not a raw file");

    const InfoRun r = Info({withPreview, withoutExif, notRaw});
    ASSERT_EQ(r.out.size(), 2) << r.err.join('\n').toStdString();
    EXPECT_TRUE(r.out[0].startsWith(withPreview + QString::fromUtf8("\t64×48 1/125 F5.6"))) << r.out[0].toStdString();
    // The developed raw data at the plug-in's size; without an Exif directory, the camera alone.
    EXPECT_EQ(r.out[1], withoutExif + QString::fromUtf8("\t64×48 \"PENTAX *ist D\" "));
    EXPECT_EQ(r.err, QStringList{notRaw + QString::fromUtf8("\tビットマップイメージが不正です")});

    const InfoRun chooser = Info({"--chooser", withPreview});
    ASSERT_EQ(chooser.out.size(), 1);
    EXPECT_EQ(chooser.out[0].split('\t').size(), 4) << chooser.out[0].toStdString();
}

TEST(InfoTool, AFailingFileGoesToStandardErrorAndTheOthersStillPrint)
{
    TestFolder dir;
    const QString good = dir.Write("a.jpg", JpegBuilder::EncodePattern(10, 10));
    const QString missing = dir.Path("gone.jpg");
    const QString notBmp = dir.Write("fake.bmp", JpegBuilder::EncodePattern(10, 10));
    const QString emptyPef = dir.Write("empty.pef", QByteArray());

    const InfoRun r = Info({missing, good, notBmp, emptyPef});
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(r.out.size(), 1);
    EXPECT_EQ(r.out[0], good + QString::fromUtf8("\t10×10 (24)"));
    ASSERT_EQ(r.err.size(), 3);
    EXPECT_EQ(r.err[0], missing + QString::fromUtf8("\tJPEG : \"%1\" が見つかりません").arg(missing));
    EXPECT_EQ(r.err[1], notBmp + QString::fromUtf8("\tビットマップイメージが不正です"));
    EXPECT_EQ(r.err[2], emptyPef + QString::fromUtf8("\tPEF : \"%1\" が開けません").arg(emptyPef));
}

TEST(InfoTool, ChooserTextsAreTabSeparatedAndFilesWithoutTiffPrintThePathAlone)
{
    TestFolder dir;
    const QString jpeg = dir.Write("shot.jpg", PhotoJpeg(40, 30));
    const QString plain = dir.Write("plain.jpg", JpegBuilder::EncodePattern(8, 8));
    const QString bmp = dir.Write("scan.bmp", Bmp8(4, 4));
    // A raw file big enough that its preview lies past the first bytes read.
    const QString pef = dir.Write("raw.pef", BuildPefWithExif(JpegBuilder::EncodePattern(900, 600), true));

    const InfoRun r = Info({"--chooser", jpeg, plain, bmp, pef});
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.out.size(), 4);
    EXPECT_EQ(r.out[0], jpeg + QString::fromUtf8("\t2004:05:06 07:08:09\t"
                                                 "1/125 F5.6 50.0(75)mm ISO200 EV-1/3 Av 多分割 AF-S WBｵｰﾄ F非発光 \t"
                                                 "PENTAX *ist D smc PENTAX-F 50mmF1.4"));
    EXPECT_EQ(r.out[1], plain);
    EXPECT_EQ(r.out[2], bmp);
    EXPECT_EQ(r.out[3], pef + '\t' + r.out[0].section('\t', 1));
}

TEST(InfoTool, AfAreasOfJpegAndPefFiles)
{
    TestFolder dir;
    ExifSpec spec = PhotoLikeSpec();
    spec.pentaxAfPoint = 1;  // upper-left of the 11 points
    const QString jpeg = dir.Write("shot.jpg", JpegBuilder::InsertApp1(JpegBuilder::EncodePattern(300, 200),
                                                                       JpegBuilder::ExifBody(ToQByteArray(BuildExifTiff(spec)))));
    const QString pef = dir.Write("raw.pef", BuildPefWithExif(JpegBuilder::EncodePattern(900, 600), true, 8));
    const QString bmp = dir.Write("scan.bmp", Bmp8(4, 4));
    const QString missing = dir.Path("gone.jpg");

    const InfoRun r = Info({"--af", jpeg, pef, bmp, missing});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, QStringList({jpeg + "\t109,67,10,10", pef + "\t615,285,30,30", bmp + "\t-"}));
    EXPECT_EQ(r.err, QStringList({missing + QString::fromUtf8("\tJPEG : \"%1\" が見つかりません").arg(missing)}));
}

// The tool reads the first bytes of a file; values stored further in must still show.
TEST(InfoTool, ValuesFarIntoTheFileStillShow)
{
    TestFolder dir;
    ExifSpec spec = PhotoLikeSpec();
    spec.makerNote = false;
    spec.pentaxFocusMode.reset();
    spec.pentaxLens.reset();
    const QByteArray jpeg = JpegBuilder::EncodePattern(24, 16);
    const QString comment = dir.Write("comment.jpg", JpegWithDistantHeaders(jpeg, spec, 40000, std::string("PENTAX K-c")));
    const QString after = dir.Write("after.jpg", JpegWithDistantHeaders(jpeg, spec, 0, std::string("PENTAX K-a"), 500000));
    const QString tables = dir.Write("tables.jpg", JpegWithDistantHeaders(jpeg, PhotoLikeSpec(), 300000));

    const InfoRun panel = Info({comment, after, tables});
    EXPECT_EQ(panel.exitCode, 0);
    ASSERT_EQ(panel.out.size(), 3);
    const QString exposure = QString::fromUtf8("1/125 F5.6 50.0(75)mm ");
    const QString rest = QString::fromUtf8(" ISO200 EV-1/3 Av 多分割 WBｵｰﾄ F非発光 ");
    EXPECT_EQ(panel.out[0], comment + QString::fromUtf8("\t24×16 ") + exposure + "\"PENTAX K-c\"" + rest);
    EXPECT_EQ(panel.out[1], after + QString::fromUtf8("\t24×16 ") + exposure + "\"PENTAX K-a\"" + rest);
    EXPECT_EQ(panel.out[2].toStdString(), (tables + QString::fromUtf8("\t24×16 ") + exposure + rest.mid(1)).toStdString());

    const InfoRun chooser = Info({"--chooser", comment, after});
    EXPECT_EQ(chooser.exitCode, 0);
    ASSERT_EQ(chooser.out.size(), 2);
    EXPECT_TRUE(chooser.out[0].endsWith("\tPENTAX K-c ")) << chooser.out[0].toStdString();
    EXPECT_TRUE(chooser.out[1].endsWith("\tPENTAX K-a ")) << chooser.out[1].toStdString();
}

// Odd files named like pictures: each its message and exit status 1, no hang. A 3 GB sparse
// JPEG is sized from its header alone, as every JPEG is.
TEST(InfoTool, OddFilesNamedLikePicturesGiveTheirFailure)
{
    TestFolder dir;
    const QString folder = dir.Path("folder.jpg");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString dangling = dir.Path("dangling.pef");
    ASSERT_TRUE(QFile::link(dir.Path("nowhere"), dangling));
    const QString empty = dir.Write("empty.jpg", QByteArray());
    const QString folderBmp = dir.Path("folder.bmp");
    ASSERT_TRUE(QDir().mkpath(folderBmp));
    const InfoRun r = Info({folder, dangling, empty, folderBmp});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.out.isEmpty());
    EXPECT_EQ(r.err, QStringList({folder + QString::fromUtf8("\tJPEG : \"%1\" の展開に失敗しました").arg(folder),
                                  dangling + QString::fromUtf8("\tPEF : \"%1\" が開けません").arg(dangling),
                                  empty + QString::fromUtf8("\tJPEG : \"%1\" の展開に失敗しました").arg(empty),
                                  folderBmp + QString::fromUtf8("\tファイル %1 は開けません").arg(folderBmp)}));

    const QByteArray jpeg = JpegBuilder::EncodePattern(16, 16);
    const QString sparse = dir.Write("sparse.jpg", jpeg.left(jpeg.indexOf("\xFF\xDA") + 14));
    ASSERT_TRUE(QFile::resize(sparse, 3LL << 30));
    const InfoRun s = Info({sparse});
    EXPECT_EQ(s.exitCode, 0);
    EXPECT_EQ(s.out, QStringList(sparse + QString::fromUtf8("\t16×16 (24)")));
}

TEST(InfoTool, FocusPrintsEachPicturesSharpnessFigure)
{
    TestFolder dir;
    const QImage scene = FocusScenes::Scene(200, 150, 3);
    const QString sharp = dir.Write("sharp.jpg", JpegBuilder::Encode(scene, 95));
    const QString soft = dir.Write("soft.JPG", JpegBuilder::Encode(FocusScenes::Blurred(scene, 2.0), 95));
    const QString missing = dir.Path("gone.jpg");
    const QString bmp = dir.Write("scan.bmp", Bmp8(64, 48));

    const InfoRun r = Info({"--focus", sharp, missing, soft, bmp});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringList(missing + QString::fromUtf8("\tJPEG : \"%1\" が見つかりません").arg(missing)));
    ASSERT_EQ(r.out.size(), 3);
    // The figure of each picture as the viewer loads it, with one decimal.
    const QString files[] = {sharp, soft, bmp};
    for (int i = 0; i < 3; ++i) {
        TBitmapMAGBase picture;
        picture.LoadFromFile(files[i]);
        const double figure = SharpnessFigure(ComputeFocusMap(picture.Image()));
        EXPECT_EQ(r.out[i], files[i] + '\t' + QString::number(figure, 'f', 1));
    }
    EXPECT_GT(r.out[0].section('\t', 1).toDouble(), 2 * r.out[1].section('\t', 1).toDouble());
    EXPECT_EQ(r.out[2], bmp + "\t0.0");   // one colour: no edge at all
}

// velumira-info with arguments as bytes and both streams into one pipe: its exit status
// and what it wrote, in the order it wrote it.
std::pair<int, QByteArray> InfoMerged(const std::vector<QByteArray>& args)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0)
        return {-1, {}};
    std::vector<char*> argv{const_cast<char*>(VELUMIRA_INFO_EXE)};
    for (const QByteArray& a : args)
        argv.push_back(const_cast<char*>(a.constData()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, VELUMIRA_INFO_EXE, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    QByteArray all;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        all.append(buffer, n);
    close(pipeEnds[0]);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid)
        return {-1, all};
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, all};
}

// Plug-in formats and file names that are not UTF-8 open as in the viewer; with both streams
// in one place, failures and figures still come in the order of the names.
TEST(InfoTool, FocusOpensWhatTheViewerOpensInNameOrder)
{
    TestFolder dir;
    const QImage scene = FocusScenes::Scene(160, 120, 5);
    const QString png = dir.Path("scene.png");
    ASSERT_TRUE(scene.save(png));
    const QString named = dir.Write("scene.jpg", JpegBuilder::Encode(scene, 95));
    const QByteArray odd = QFile::encodeName(dir.Path("sc")) + "\xff\xfe.jpg";
    const QByteArray gone = QFile::encodeName(dir.Path("gone")) + "\xfe.jpg";
    ASSERT_EQ(link(QFile::encodeName(named).constData(), odd.constData()), 0);

    const auto [status, all] = InfoMerged({"--focus", QFile::encodeName(png), odd, gone, QFile::encodeName(named)});
    EXPECT_EQ(status, 1);
    TBitmapMAGBase jpeg;
    jpeg.LoadFromFile(named);
    const auto figure = [](const QImage& picture) { return QByteArray::number(SharpnessFigure(ComputeFocusMap(picture)), 'f', 1); };
    const QByteArray decoded = figure(jpeg.Image());
    EXPECT_EQ(all.split('\n'), QList<QByteArray>({QFile::encodeName(png) + '\t' + figure(scene), odd + '\t' + decoded,
                                                  gone + "\tJPEG : \"" + gone + "\" " + QByteArray("が見つかりません"),
                                                  QFile::encodeName(named) + '\t' + decoded, QByteArray()}));
}

TEST(InfoTool, NoFilesIsAUsageError)
{
    const InfoRun r = Info({});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.out.isEmpty());
}

// A long run is shared among threads; the lines still come in the order of the names, and
// each failure on stderr in its own order.
TEST(InfoTool, ManyFilesPrintInTheOrderOfTheirNames)
{
    TestFolder dir;
    QStringList names, expectedOut, expectedErr;
    for (int i = 0; i < 400; ++i) {
        const QString name = dir.Path(QStringLiteral("f%1.jpg").arg(i));
        if (i % 7 == 3) {
            expectedErr << name + QString::fromUtf8("\tJPEG : \"%1\" が見つかりません").arg(name);
        } else {
            dir.Write(QStringLiteral("f%1.jpg").arg(i), JpegBuilder::EncodePattern(8 + i % 97, 8 + i / 97));
            expectedOut << name + QString::fromUtf8("\t%1×%2 (24)").arg(8 + i % 97).arg(8 + i / 97);
        }
        names << name;
    }
    const InfoRun r = Info(names);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, expectedOut);
    EXPECT_EQ(r.err, expectedErr);
}

// --focus needs its module beside the program (or in ../lib/velumira); without it the tool
// says so instead of printing nothing.
TEST(InfoTool, FocusWithoutItsModuleSaysWhy)
{
    TestFolder dir;
    const QString copy = dir.Path("velumira-info");
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELUMIRA_INFO_EXE), copy));
    QProcess p;
    p.start(copy, {QStringLiteral("--focus"), dir.Write("a.jpg", JpegBuilder::EncodePattern(8, 8))});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 2);
    EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    EXPECT_TRUE(p.readAllStandardError().contains("--focus cannot be used"));
}

// Memory running out in the middle of a decode or a map is that file's failure: under a
// range of address-space limits the tool always ends by itself, with a figure or a line.
TEST(InfoTool, FocusOutOfMemoryIsTheFilesFailure)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizers' runtimes need more address space than any limit leaves";
#endif
    const QString dir = RealFixturesFolder();
    if (dir.isEmpty())
        GTEST_SKIP() << "real camera files not present";
    const QString photo = dir + "/photos/leica-t-chain.jpg";
    for (int limitKb = 100000; limitKb <= 170000; limitKb += 5000) {
        QProcess p;
        p.start("/bin/sh", {"-c", QStringLiteral("ulimit -v %1; exec \"$0\" --focus \"$1\"").arg(limitKb),
                            QStringLiteral(VELUMIRA_INFO_EXE), photo});
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString err = QString::fromUtf8(p.readAllStandardError());
        ASSERT_EQ(p.exitStatus(), QProcess::NormalExit) << limitKb;
        // 2: the module itself could not be loaded in so little room.
        EXPECT_TRUE(p.exitCode() == 0 || (p.exitCode() == 1 && err.startsWith(photo + '\t')) || p.exitCode() == 2)
            << limitKb << ": " << p.exitCode() << " " << err.toStdString();
    }
}

// The camera files beside the project, with the lines their notes give.
TEST(InfoTool, RealCameraFilesGiveTheirNotedLines)
{
    const QString dir = RealFixturesFolder();
    if (dir.isEmpty())
        GTEST_SKIP() << "real camera files not present";
    const QString a = dir + "/pentax-k10d-makernote.jpg";
    const QString b = dir + "/pentax-k10d-no-makernote.jpg";
    const QString c = dir + "/pentax-optio330.jpg";
    const InfoRun r = Info({a, b, c});
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(r.out.size(), 3);
    EXPECT_EQ(r.out[0], a + QString::fromUtf8("\t8×8 1/100 F13.0 10.0(15)mm \"不明なレンズ\" ISO100 EV+7/10 Av "
                                              "多分割 AF-S WBｵｰﾄ F非発光 "));
    EXPECT_EQ(r.out[1], b + QString::fromUtf8("\t100×72 1/180 F11.0 90.0mm \"PENTAX K10D        \" ISO200 "
                                              "EV±0 Av 多分割 F非発光 "));
    EXPECT_EQ(r.out[2], c + QString::fromUtf8("\t1536×2048 1/500 F2.6 7.6mm \"PENTAX Optio 330 \" EV±0 P "
                                              "多分割 F非発光 "));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
