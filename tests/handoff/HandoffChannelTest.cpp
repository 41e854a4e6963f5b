// The channel between two windows, exercised inside one test program: each running
// "window" is a thread with its own event loop, as a real one has its UI thread.
#include "RunningWindowThread.h"
#include "handoff/HandoffChannel.h"
#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr uid_t kOtherUser = 65534;

// Accepts a request and hangs up without answering, as a window that dies mid-way.
class DyingPeer : public QThread {
public:
    explicit DyingPeer(QString path) : FPath(std::move(path))
    {
        start();
        while (!FListening)
            QThread::yieldCurrentThread();
    }
    ~DyingPeer() override
    {
        quit();
        wait();
    }

protected:
    void run() override
    {
        QLocalServer server;
        server.listen(FPath);
        QObject::connect(&server, &QLocalServer::newConnection, &server, [&server] {
            QLocalSocket* s = server.nextPendingConnection();
            QObject::connect(s, &QLocalSocket::readyRead, s, [s] { s->abort(); s->deleteLater(); });
        });
        FListening = true;
        exec();
    }

private:
    QString FPath;
    std::atomic<bool> FListening{false};
};

// A socket file nobody listens on: what a crashed window leaves behind.
void LeaveDeadSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, QFile::encodeName(path).constData(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ::close(fd);
}

mode_t ModeOf(const QString& path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

class HandoffChannelTest : public ::testing::Test {
protected:
    QString Folder() const { return sandbox.Path("channel"); }
    TestFolder sandbox;
};

TEST_F(HandoffChannelTest, FindsTheOldestMatchingWindowByTheLeadingBytesOfItsTitle)
{
    RunningWindow other(Folder(), "Other program");
    RunningWindow first(Folder(), QByteArray("Velumira(PENTAX *ist D RAW 対応)　Version 0.23"));
    RunningWindow second(Folder(), "Velumira too");
    ASSERT_TRUE(first.registered() && second.registered() && other.registered());
    HandoffChannel channel(Folder());
    EXPECT_EQ(channel.FindRunningInstance("Velumira"), first.socketName());
    EXPECT_EQ(channel.FindRunningInstance("Velumira too"), second.socketName());
    EXPECT_EQ(channel.FindRunningInstance("velumira"), QString()) << "the comparison is exact";
    EXPECT_EQ(channel.FindRunningInstance("Velumira too long"), QString()) << "a shorter title never matches";
}

TEST_F(HandoffChannelTest, RegistrationOrderOutlivesTheOldestWindow)
{
    HandoffChannel channel(Folder());
    auto first = std::make_unique<RunningWindow>(Folder(), "Velumira 1");
    RunningWindow second(Folder(), "Velumira 2");
    EXPECT_EQ(channel.FindRunningInstance("Velumira"), first->socketName());
    first.reset();
    EXPECT_EQ(channel.FindRunningInstance("Velumira"), second.socketName());
    RunningWindow third(Folder(), "Velumira 3");
    EXPECT_EQ(channel.FindRunningInstance("Velumira"), second.socketName());
}

TEST_F(HandoffChannelTest, DeadSocketsAreSkippedAndRemoved)
{
    HandoffChannel channel(Folder());
    EXPECT_EQ(channel.FindRunningInstance("Velumira"), QString());  // creates the folder
    LeaveDeadSocket(Folder() + "/w-0000000001-1");
    RunningWindow live(Folder(), "Velumira");
    EXPECT_EQ(channel.FindRunningInstance("Velumira"), live.socketName());
    EXPECT_FALSE(QFile::exists(Folder() + "/w-0000000001-1"));
}

TEST_F(HandoffChannelTest, NotifyReturnsAfterTheWindowHandledTheNames)
{
    RunningWindow running(Folder(), "Velumira");
    HandoffChannel sender(Folder());
    const QString target = sender.FindRunningInstance("Velumira");
    ASSERT_FALSE(target.isEmpty());
    ASSERT_TRUE(sender.WriteArguments({"/pictures/a b.jpg", QString::fromUtf8("/写真/ｶﾒﾗ.PEF")}));
    ASSERT_TRUE(sender.Notify(target));
    // No waiting: the answer comes only after the handler ran.
    const auto received = running.received();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0], (QStringList{"/pictures/a b.jpg", QString::fromUtf8("/写真/ｶﾒﾗ.PEF")}));

    ASSERT_TRUE(sender.WriteArguments({"c.jpg"}));
    ASSERT_TRUE(sender.Notify(target));
    EXPECT_EQ(running.received().back(), QStringList{"c.jpg"});
}

TEST_F(HandoffChannelTest, SecondStartsAtTheSameMomentEachDeliverTheirOwnNames)
{
    RunningWindow running(Folder(), "Velumira");
    constexpr int kStarts = 2, kRounds = 10;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<QStringList> sent(kStarts);
        std::atomic<int> ready{0};
        std::atomic<int> delivered{0};
        std::vector<std::thread> starts;
        for (int s = 0; s < kStarts; ++s) {
            // 300 names of 30 bytes each: more than one write's worth, so the requests interleave.
            for (int i = 0; i < 300; ++i)
                sent[s] << QStringLiteral("/start%1/round%2/picture-%3.jpg").arg(s).arg(round).arg(i, 4, 10, QLatin1Char('0'));
            starts.emplace_back([&, s] {
                HandoffChannel start(Folder());
                const QString target = start.FindRunningInstance("Velumira");
                start.WriteArguments(sent[s]);
                ++ready;
                while (ready < kStarts)
                    std::this_thread::yield();
                if (!target.isEmpty() && start.Notify(target))
                    ++delivered;
            });
        }
        for (std::thread& t : starts)
            t.join();
        EXPECT_EQ(delivered, kStarts);
        const auto received = running.received();
        ASSERT_EQ(received.size(), size_t(kStarts * (round + 1)));
        const std::vector<QStringList> thisRound(received.end() - kStarts, received.end());
        EXPECT_TRUE(std::is_permutation(thisRound.begin(), thisRound.end(), sent.begin())) << "round " << round;
    }
}

TEST_F(HandoffChannelTest, AMalformedOrOversizedRequestIsRefusedAndTheWindowGoesOn)
{
    RunningWindow running(Folder(), "Velumira");
    const QByteArray oversized = QByteArray("N\x00\x00\x40\x00", 5) + QByteArray(16384, 'x');
    for (const QByteArray& request : {QByteArray("X"), QByteArray("TT"), oversized,
                                      MakeNamesRequest("a.jpg") + "b"}) {
        QLocalSocket socket;
        socket.connectToServer(running.socketName());
        ASSERT_TRUE(socket.waitForConnected(3000));
        socket.write(request);
        socket.waitForBytesWritten(3000);
        // The window hangs up without an answer.
        EXPECT_TRUE(socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(3000));
        EXPECT_EQ(socket.readAll(), QByteArray());
    }
    HandoffChannel sender(Folder());
    ASSERT_EQ(sender.FindRunningInstance("Velumira"), running.socketName());
    ASSERT_TRUE(sender.WriteArguments({"/d.jpg"}));
    EXPECT_TRUE(sender.Notify(running.socketName()));
    EXPECT_EQ(running.received(), std::vector<QStringList>{QStringList{"/d.jpg"}});
}

TEST_F(HandoffChannelTest, NotifyStopsWaitingWhenThePeerDies)
{
    HandoffChannel sender(Folder());
    EXPECT_EQ(sender.FindRunningInstance("x"), QString());  // creates the folder
    DyingPeer peer(Folder() + "/w-0000000001-1");
    EXPECT_FALSE(sender.Notify(Folder() + "/w-0000000001-1"));
    EXPECT_FALSE(sender.Notify(Folder() + "/w-0000000009-9")) << "no such socket";
}

TEST_F(HandoffChannelTest, OthersCannotReachTheSockets)
{
    const mode_t oldMask = ::umask(0);  // the modes must not depend on the user's umask
    RunningWindow running(Folder(), "Velumira");
    ::umask(oldMask);
    EXPECT_EQ(ModeOf(Folder()), 0700u);
    EXPECT_EQ(ModeOf(running.socketName()) & 077, 0u);
    EXPECT_TRUE(running.socketName().startsWith(Folder() + "/"));
}

struct FolderCase {
    const char* name;
    mode_t mode;
    bool otherOwner;
    bool symlink;
};
// Keeps test names short in the runner's listing.
inline void PrintTo(const FolderCase& c, std::ostream* os) { *os << c.name; }


class PreparedFolderTest : public HandoffChannelTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(PreparedFolderTest, AFolderOthersCouldUseIsRefused)
{
    if (GetParam().otherOwner && ::geteuid() != 0)
        GTEST_SKIP() << "only the superuser can give a folder away";
    if (GetParam().symlink) {
        QDir().mkpath(sandbox.Path("real"));
        ::chmod(QFile::encodeName(sandbox.Path("real")).constData(), 0700);
        ASSERT_TRUE(QFile::link(sandbox.Path("real"), Folder()));
    } else {
        QDir().mkpath(Folder());
        ::chmod(QFile::encodeName(Folder()).constData(), GetParam().mode);
        if (GetParam().otherOwner) {
            ASSERT_EQ(::chown(QFile::encodeName(Folder()).constData(), kOtherUser, kOtherUser), 0);
        }
    }
    HandoffChannel channel(Folder());
    EXPECT_FALSE(channel.Register([] { return QByteArray("Velumira"); }, [] {}));
    EXPECT_EQ(channel.FindRunningInstance("Velumira"), QString());
    EXPECT_EQ(QDir(Folder()).entryList(QDir::System | QDir::Files | QDir::Hidden), QStringList());
}

INSTANTIATE_TEST_SUITE_P(Folders, PreparedFolderTest, ::testing::Values(
    FolderCase{"WritableByTheGroup", 0770, false, false},
    FolderCase{"OpenToAll", 0777, false, false},
    FolderCase{"OwnedBySomeoneElse", 0700, true, false},
    FolderCase{"SymbolicLink", 0700, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A folder made under a loose umask is ours and nobody else could write into it.
TEST_F(HandoffChannelTest, AFolderOfOursOthersCouldOnlyReadIsClosedAndUsed)
{
    for (mode_t mode : {mode_t(0755), mode_t(0750), mode_t(0711)}) {
        QDir(Folder()).removeRecursively();
        QDir().mkpath(Folder());
        ::chmod(QFile::encodeName(Folder()).constData(), mode);
        HandoffChannel channel(Folder());
        EXPECT_TRUE(channel.Register([] { return QByteArray("Velumira"); }, [] {})) << std::oct << mode;
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(Folder()).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode_t(0700)) << std::oct << mode;
    }
}

TEST(HandoffChannelNames, DefaultNamesCarryTheUserAndTheDisplay)
{
    TestFolder runtime;
    ::chmod(QFile::encodeName(runtime.Path()).constData(), 0700);
    const QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray oldWayland = qgetenv("WAYLAND_DISPLAY");
    const QByteArray oldDisplay = qgetenv("DISPLAY");
    const QString uid = QString::number(::geteuid());

    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.Path()));
    qputenv("WAYLAND_DISPLAY", "/run/wl/wayland-1");
    qputenv("DISPLAY", ":0");
    EXPECT_EQ(HandoffChannel().Folder(), runtime.Path("velumira-" + uid + "-_run_wl_wayland-1"));

    qunsetenv("WAYLAND_DISPLAY");
    EXPECT_EQ(HandoffChannel().Folder(), runtime.Path("velumira-" + uid + "-_0"));
    qputenv("DISPLAY", ":1");
    EXPECT_EQ(HandoffChannel().Folder(), runtime.Path("velumira-" + uid + "-_1")) << "two desktops, two channels";

    // A runtime folder others can enter is not used.
    ::chmod(QFile::encodeName(runtime.Path()).constData(), 0755);
    EXPECT_EQ(HandoffChannel().Folder(), "/tmp/velumira-" + uid + "-_1");
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(HandoffChannel().Folder(), "/tmp/velumira-" + uid + "-_1");

    for (auto [name, value] : {std::pair{"XDG_RUNTIME_DIR", oldRuntime}, std::pair{"WAYLAND_DISPLAY", oldWayland},
                               std::pair{"DISPLAY", oldDisplay}}) {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }
}

}  // namespace
