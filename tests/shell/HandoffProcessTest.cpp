// Two (or three) real velumira processes on the offscreen platform, on a private channel
// and settings file. The program's test log (VELUMIRA_TEST_LOG) reports boxes as PROMPT
// lines, received hand-offs as HANDOFF lines and the shown window as a WINDOW line.
#include "support/JpegBuilder.h"
#include "support/TestFolder.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <signal.h>
#include <unistd.h>

namespace {

const QString kNotice = QString::fromUtf8("PROMPT Message\t確認\t多重起動チェックオフです");

class HandoffProcessTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (auto& p : FRunning) {
            if (p->processId() > 0)
                ::kill(static_cast<pid_t>(p->processId()), SIGCONT);  // a stopped one ends too
            p->kill();
            p->waitForFinished(-1);
        }
    }

    QString Channel() const { return FSandbox.Path("channel"); }
    // The folder the second starts run in; the windows run elsewhere.
    QString Here() const { return FSandbox.Path("here"); }
    QStringList InHere(QStringList names) const
    {
        for (QString& name : names)
            name.prepend(Here() + '/');
        return names;
    }

    QProcessEnvironment Environment(const QString& settings) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VELUMIRA_HANDOFF_DIR", Channel());
        env.insert("VELUMIRA_SETTINGS", FSandbox.Path(settings));
        env.insert("VELUMIRA_TEST_LOG", "1");
        return env;
    }

    // Starts a window and returns once it answers on the channel; its log goes to logName.
    QProcess& StartWindow(const QString& logName, const QString& settings = "velumira.INI",
                          const QStringList& names = {})
    {
        const int before = RegisteredCount();
        auto p = std::make_unique<QProcess>();
        p->setProcessEnvironment(Environment(settings));
        p->setStandardErrorFile(FSandbox.Path(logName));
        p->start(VELUMIRA_EXECUTABLE, names);
        EXPECT_TRUE(p->waitForStarted(-1));
        // Bounded only so that a broken build fails instead of hanging the run.
        const QDeadlineTimer deadline(60000);
        while (!Shown(logName) && !deadline.hasExpired() && p->state() == QProcess::Running)
            QThread::msleep(20);
        EXPECT_TRUE(Shown(logName)) << Log(logName).join('\n').toStdString();
        EXPECT_EQ(RegisteredCount(), before + 1);
        FRunning.push_back(std::move(p));
        return *FRunning.back();
    }

    // Runs a start to its end; returns its exit status (-1 if it did not end by itself).
    int RunStart(const QStringList& names, const QString& logName, const QString& folder = QString())
    {
        QDir().mkpath(Here());
        QProcess p;
        p.setWorkingDirectory(folder.isEmpty() ? Here() : folder);
        p.setProcessEnvironment(Environment("velumira.INI"));
        p.setStandardErrorFile(FSandbox.Path(logName));
        p.start(VELUMIRA_EXECUTABLE, names);
        if (!p.waitForFinished(60000)) {
            p.kill();
            p.waitForFinished(-1);
            return -1;
        }
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    QStringList Log(const QString& logName) const
    {
        QFile f(FSandbox.Path(logName));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QStringList lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
        // Only the program's own lines; Qt's platform chatter is not of interest.
        lines.removeIf([](const QString& l) {
            return !l.startsWith("PROMPT ") && !l.startsWith("HANDOFF ") && !l.startsWith("WINDOW ");
        });
        return lines;
    }

    bool Shown(const QString& logName) const
    {
        const QStringList lines = Log(logName);
        return std::any_of(lines.begin(), lines.end(), [](const QString& l) { return l.startsWith("WINDOW Velumira"); });
    }

    QStringList Received(const QString& logName) const
    {
        QStringList names;
        for (const QString& line : Log(logName))
            if (line.startsWith("HANDOFF "))
                names << line.mid(8);
        return names;
    }

    int RegisteredCount() const
    {
        return QDir(Channel()).entryList({"w-*"}, QDir::System | QDir::Files | QDir::Hidden).size();
    }

    TestFolder FSandbox;
    std::vector<std::unique_ptr<QProcess>> FRunning;
};

TEST_F(HandoffProcessTest, SecondStartHandsItsNamesOverAndEndsWithoutAWindow)
{
    StartWindow("first.log");
    // The window was started elsewhere: a bare name means the file in the second start's folder.
    const QStringList names{FSandbox.Path("a b.jpg"), QString::fromUtf8("/写真/ｶﾒﾗ.PEF"), "c.jpg"};
    EXPECT_EQ(RunStart(names, "second.log"), 0);
    EXPECT_EQ(Received("first.log"), QStringList(names.mid(0, 2)) + InHere({"c.jpg"}));
    EXPECT_EQ(Log("second.log"), QStringList()) << "no box and no window in the second start";
    EXPECT_EQ(RegisteredCount(), 1);
}

TEST_F(HandoffProcessTest, SecondStartWithoutNamesLeavesTheFirstUntouched)
{
    StartWindow("first.log");
    EXPECT_EQ(RunStart({}, "second.log"), 0);
    EXPECT_EQ(Log("first.log"), QStringList{Log("first.log").value(0)});
    EXPECT_TRUE(Log("first.log").value(0).startsWith("WINDOW "));
    EXPECT_EQ(Log("second.log"), QStringList());
    EXPECT_EQ(RegisteredCount(), 1);
}

TEST_F(HandoffProcessTest, NamesThatLookLikeToolkitOptionsAreStillNames)
{
    StartWindow("first.log");
    // Every argument is a file name; the toolkit must not take any of them for itself.
    const QStringList names{"-reverse", "-style", "fusion", "-session", "s.jpg", "-platform", "p.jpg"};
    EXPECT_EQ(RunStart(names, "second.log"), 0);
    EXPECT_EQ(Received("first.log"), InHere(names));
}

TEST_F(HandoffProcessTest, TwentyThousandBytesArriveAsTheWholeNamesThatFit)
{
    StartWindow("first.log");
    // Started in "/", the names count with their leading "/": 2500 of 7 bytes plus a NUL,
    // 20000 bytes; after "/xyzw" (6 bytes) 2047 of them fit in 16383.
    QStringList names{"xyzw"};
    for (int i = 0; i < 2500; ++i)
        names << QString::fromUtf8("写真");
    EXPECT_EQ(RunStart(names, "second.log", "/"), 0);
    const QStringList received = Received("first.log");
    ASSERT_EQ(received.size(), 2048);
    EXPECT_EQ(received.first(), "/xyzw");
    EXPECT_EQ(received.last(), QString::fromUtf8("/写真"));
}

// Starts at the same moment with no window running give one window; the others hand their
// names to it, as a desktop's "open with" of several files does.
TEST_F(HandoffProcessTest, StartsAtTheSameMomentOpenOneWindow)
{
    QDir().mkpath(Here());
    const int starts = 4;
    for (int s = 0; s < starts; ++s) {
        auto p = std::make_unique<QProcess>();
        p->setWorkingDirectory(Here());
        p->setProcessEnvironment(Environment("velumira.INI"));
        p->setStandardErrorFile(FSandbox.Path(QStringLiteral("s%1.log").arg(s)));
        p->start(VELUMIRA_EXECUTABLE, {QStringLiteral("s%1.jpg").arg(s)});
        FRunning.push_back(std::move(p));
    }
    const QDeadlineTimer deadline(60000);
    const auto ended = [&] {
        return std::count_if(FRunning.begin(), FRunning.end(),
                             [](const auto& p) { return p->state() == QProcess::NotRunning || p->waitForFinished(5); });
    };
    while (ended() < starts - 1 && !deadline.hasExpired())
        QThread::msleep(20);
    QThread::msleep(300);  // a second window, were there one, has registered by now
    EXPECT_EQ(ended(), starts - 1);
    EXPECT_EQ(RegisteredCount(), 1);
    QStringList received;
    for (int s = 0; s < starts; ++s)
        received += Received(QStringLiteral("s%1.log").arg(s));
    EXPECT_EQ(received.size(), starts - 1) << received.join(' ').toStdString();
}

// While the window decodes big pictures its channel answers at once: a start made then
// hands its name over instead of opening a window of its own.
TEST_F(HandoffProcessTest, AWindowDecodingBigPicturesStillTakesAHandOff)
{
    QDir().mkpath(Here());
    QFile big(FSandbox.Path("big.jpg"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write(JpegBuilder::EncodePattern(12000, 8000, 80));  // 96 MP
    big.close();
    const QStringList four(4, big.fileName());
    StartWindow("first.log", "velumira.INI", four);
    EXPECT_EQ(RunStart(four, "second.log"), 0);
    EXPECT_EQ(RunStart({"small.jpg"}, "third.log"), 0);
    EXPECT_EQ(RegisteredCount(), 1);
    EXPECT_EQ(Received("first.log"), four + InHere({"small.jpg"}));
    EXPECT_EQ(Log("third.log"), QStringList()) << "no window of its own";
}

TEST_F(HandoffProcessTest, CheckOffShowsTheNoticeAndOpensAnotherWindow)
{
    FSandbox.Write("off.INI", "[DEBUG]\nMULTICHECK=0\n");
    StartWindow("first.log");
    StartWindow("second.log", "off.INI");
    EXPECT_EQ(Log("second.log").value(0), kNotice);
    EXPECT_EQ(RegisteredCount(), 2);
    EXPECT_EQ(Received("first.log"), QStringList());

    // With the check on again, the hand-off goes to the first window the registry lists.
    EXPECT_EQ(RunStart({"d.jpg"}, "third.log"), 0);
    EXPECT_EQ(Received("first.log"), InHere({"d.jpg"}));
    EXPECT_EQ(Received("second.log"), QStringList());
}

TEST_F(HandoffProcessTest, TwoSecondStartsAtOnceEachHandOverTheirOwnNamesWhole)
{
    StartWindow("first.log");
    QDir().mkpath(Here());
    QStringList names[2];
    std::unique_ptr<QProcess> starts[2];
    for (int s = 0; s < 2; ++s) {
        for (int i = 0; i < 400; ++i)
            names[s] << QStringLiteral("/start%1/picture-%2.jpg").arg(s).arg(i, 4, 10, QLatin1Char('0'));
        starts[s] = std::make_unique<QProcess>();
        starts[s]->setWorkingDirectory(Here());
        starts[s]->setProcessEnvironment(Environment("velumira.INI"));
    }
    for (int s = 0; s < 2; ++s)
        starts[s]->start(VELUMIRA_EXECUTABLE, names[s]);
    for (auto& start : starts) {
        ASSERT_TRUE(start->waitForFinished(60000));
        EXPECT_EQ(start->exitCode(), 0);
    }
    // Each set arrives whole and in one piece, in whichever order the two were handled.
    const QStringList received = Received("first.log");
    EXPECT_TRUE(received == names[0] + names[1] || received == names[1] + names[0])
        << received.size() << " names, first " << received.value(0).toStdString();
    EXPECT_EQ(RegisteredCount(), 1);
}

TEST_F(HandoffProcessTest, AStoppedWindowIsPassedOverAndTheSecondStartOpensItsOwn)
{
    const QProcess& stopped = StartWindow("first.log");
    ASSERT_EQ(::kill(static_cast<pid_t>(stopped.processId()), SIGSTOP), 0);
    // Within the real limit the second start gives up on it and shows its own window; the
    // stopped window's socket stays, as it is alive.
    StartWindow("second.log", "velumira.INI", {"a.jpg"});
    EXPECT_EQ(RegisteredCount(), 2);
    EXPECT_EQ(Received("first.log"), QStringList());
}

}  // namespace
