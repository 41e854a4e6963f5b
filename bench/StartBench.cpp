// The real program started with four 24-megapixel JPEG files on a private X server: the
// time from starting the process to the window's first paint of all four pictures (its
// test log's PICTURES line), against djpeg decoding the largest of them alone, also as a
// process. Best of a few rounds each, after one round that warms the caches.
#include "e2e/XSession.h"
#include "support/JpegBuilder.h"
#include "support/TestFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {

constexpr int kRounds = 3;

qint64 MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// Seconds from the start of the process to its PICTURES line; negative when none came.
double StartToPictures(const XSession& x, const TestFolder& folder, const QStringList& names, QString* log)
{
    QProcessEnvironment env = x.Environment();
    env.insert(QStringLiteral("VELUMIRA_HANDOFF_DIR"), folder.Path("channel"));
    env.insert(QStringLiteral("VELUMIRA_SETTINGS"), folder.Path("velumira.INI"));
    env.insert(QStringLiteral("VELUMIRA_TEST_LOG"), QStringLiteral("1"));
    QProcess viewer;
    viewer.setProcessEnvironment(env);
    viewer.setReadChannel(QProcess::StandardError);
    viewer.setStandardOutputFile(QProcess::nullDevice());
    const qint64 start = MonotonicNs();
    viewer.start(QStringLiteral(VELUMIRA_EXECUTABLE), names);
    qint64 shown = -1;
    QByteArray text;
    const QDeadlineTimer deadline(60000);
    while (shown < 0 && !deadline.hasExpired() && viewer.state() != QProcess::NotRunning) {
        viewer.waitForReadyRead(20);
        while (viewer.canReadLine()) {
            const QByteArray line = viewer.readLine();
            text += line;
            if (line.startsWith("PICTURES "))
                shown = line.mid(9).trimmed().toLongLong();
        }
    }
    *log = QString::fromUtf8(text);
    viewer.kill();
    viewer.waitForFinished(-1);
    return shown < 0 ? -1 : double(shown - start) / 1e9;
}

double DjpegSeconds(const QString& path)
{
    const qint64 start = MonotonicNs();
    const int rc = QProcess::execute(QStringLiteral("djpeg"), {"-dct", "float", "-outfile", "/dev/null", path});
    return rc == 0 ? double(MonotonicNs() - start) / 1e9 : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    XSession x;
    QString error;
    if (!x.Start(&error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    TestFolder folder;
    QStringList names;
    for (unsigned int i = 0; i < 4; ++i)
        names << folder.Write(QStringLiteral("shot%1.jpg").arg(i), JpegBuilder::EncodeCameraLike(6000, 4000, 12345u + 977u * i));
    QString largest = names.first();
    for (const QString& name : names)
        if (QFileInfo(name).size() > QFileInfo(largest).size())
            largest = name;

    double program = 1e9, djpeg = 1e9;
    for (int r = 0; r <= kRounds; ++r) {
        QString log;
        const double p = StartToPictures(x, folder, names, &log);
        const double d = DjpegSeconds(largest);
        if (p < 0 || d < 0) {
            std::fprintf(stderr, "no PICTURES line, or djpeg failed; log:\n%s\n", qPrintable(log));
            return 1;
        }
        if (r > 0) {  // round 0 warms the caches
            program = std::min(program, p);
            djpeg = std::min(djpeg, d);
        }
    }
    std::printf("nproc %d\n", QThread::idealThreadCount());
    std::printf("best of %d, each from the start of its process:\n", kRounds);
    std::printf("  velumira, four 6000x4000 JPEG files to the first paint of all four  %8.1f ms\n", program * 1000);
    std::printf("  djpeg -dct float, the largest file alone                          %8.1f ms\n", djpeg * 1000);
    std::printf("  ratio %.2f\n", program / djpeg);
    return 0;
}
