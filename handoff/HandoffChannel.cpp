#include "handoff/HandoffChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <new>
#include <optional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

constexpr char kAskTitle = 'T';
constexpr char kNotify = 'N';
constexpr char kAcknowledge = 'A';
constexpr quint32 kMaxTitleBytes = 65536;
constexpr qsizetype kLengthBytes = 4;
// The longest request a window takes: "N", the length and the names.
constexpr qsizetype kMaxRequestBytes = 1 + kLengthBytes + kHandoffTextLimit;
const QString kSocketPrefix = QStringLiteral("w-");

QByteArray BigEndian(quint32 n)
{
    return QByteArray(1, char(n >> 24)) + char(n >> 16) + char(n >> 8) + char(n);
}

quint32 FromBigEndian(const char* bytes)
{
    const auto* b = reinterpret_cast<const uchar*>(bytes);
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

// The display name may be a path (WAYLAND_DISPLAY) or ":0"; only tame characters go into
// file and object names.
QString DisplayTag()
{
    QString display = qEnvironmentVariable("WAYLAND_DISPLAY");
    if (display.isEmpty())
        display = qEnvironmentVariable("DISPLAY");
    if (display.isEmpty())
        return QStringLiteral("nodisplay");
    QString tag;
    for (QChar c : display.left(48))
        tag += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('.') || c == QLatin1Char('-') ? c : QLatin1Char('_');
    return tag;
}

QString UserTag()
{
    return QString::number(::geteuid());
}

// Owned by us, a real folder (not a link) and closed to everyone else.
bool IsPrivateFolder(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 07777) == 0700;
}

// A folder of ours that others may only read or enter (made under a loose umask) is
// closed again: nobody else can have put anything into it. One that others could write
// to, one owned by someone else, or a link stays refused.
void CloseReadableFolder(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && (st.st_mode & 07777) != 0700 &&
        (st.st_mode & 07022) == 0)
        ::fchmod(fd, 0700);
    ::close(fd);
}

QString RuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && IsPrivateFolder(QFile::encodeName(runtime)))
        return runtime;
    return QStringLiteral("/tmp");
}

QString DefaultFolder()
{
    return RuntimeFolder() + QStringLiteral("/velumira-") + UserTag() + QLatin1Char('-') + DisplayTag();
}

quint64 SequenceOf(const QString& socketFileName)
{
    // "w-<sequence>-<pid>"
    const QStringList parts = socketFileName.mid(kSocketPrefix.size()).split(QLatin1Char('-'));
    bool ok = false;
    const quint64 seq = parts.isEmpty() ? 0 : parts.first().toULongLong(&ok);
    return ok ? seq : 0;
}

// Registered sockets, oldest registration first.
QStringList RegisteredSockets(const QString& folder)
{
    QStringList names = QDir(folder).entryList({kSocketPrefix + QLatin1Char('*')}, QDir::System | QDir::Files | QDir::Hidden);
    std::stable_sort(names.begin(), names.end(),
                     [](const QString& a, const QString& b) { return SequenceOf(a) < SequenceOf(b); });
    QStringList paths;
    for (const QString& name : names)
        paths << folder + QLatin1Char('/') + name;
    return paths;
}

// Holds an exclusive lock on the folder's lock file while registering.
class FolderLock {
public:
    explicit FolderLock(const QString& folder)
    {
        FFd = ::open(QFile::encodeName(folder + QStringLiteral("/lock")).constData(),
                     O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (FFd >= 0)
            ::flock(FFd, LOCK_EX);
    }
    ~FolderLock()
    {
        if (FFd >= 0)
            ::close(FFd);  // releases the lock
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

private:
    int FFd = -1;
};

enum class Reply { Answered, Dead, Broken };

// What is left of a window's time, as the socket's waits take it.
int Remaining(const QDeadlineTimer& deadline)
{
    return int(std::clamp<qint64>(deadline.remainingTime(), 0, 3600 * 1000));
}

// One request over a registered socket, within the window's deadline. A dead window
// refuses the connection or closes it; a stopped or busy one lets the deadline pass.
// A title question is answered by a length and the title, a hand-off by one byte.
Reply Exchange(const QString& path, const QByteArray& request, QByteArray& answer, const QDeadlineTimer& deadline)
{
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(Remaining(deadline))) {
        const auto error = socket.error();
        return error == QLocalSocket::ConnectionRefusedError || error == QLocalSocket::ServerNotFoundError
                   ? Reply::Dead
                   : Reply::Broken;
    }
    socket.write(request);
    while (socket.bytesToWrite() > 0)
        if (!socket.waitForBytesWritten(Remaining(deadline)))
            return Reply::Broken;
    const auto readExactly = [&socket, &deadline](qint64 count) -> std::optional<QByteArray> {
        QByteArray data;
        while (data.size() < count) {
            if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(Remaining(deadline)))
                return std::nullopt;
            data += socket.read(count - data.size());
        }
        return data;
    };
    if (request.startsWith(kNotify)) {
        const auto ack = readExactly(1);
        if (!ack || ack->at(0) != kAcknowledge)
            return Reply::Broken;
        answer.clear();
        return Reply::Answered;
    }
    const auto header = readExactly(kLengthBytes);
    if (!header)
        return Reply::Broken;
    const quint32 length = FromBigEndian(header->constData());
    if (length > kMaxTitleBytes)
        return Reply::Broken;
    const auto title = readExactly(length);
    if (!title)
        return Reply::Broken;
    answer = *title;
    return Reply::Answered;
}

}  // namespace

struct HandoffChannel::Impl {
    QString folder;
    bool folderChecked = false;
    bool folderUsable = false;
    std::unique_ptr<QLocalServer> server;
    std::function<QByteArray()> titleProvider;
    std::function<void()> onNotify;
    // Receiving: the names of the hand-off onNotify is handling.
    QStringList handling;
    // Sending: the request WriteArguments made.
    QByteArray request = MakeNamesRequest(QByteArray());
    std::chrono::milliseconds answerLimit = kHandoffAnswerLimit;
    // The window FindRunningInstance returned last, and when its time runs out.
    QString found;
    QDeadlineTimer foundDeadline;
    QStringList passedOver;
    int startLock = -1;  // the start lock's file while held

    void UnlockStart()
    {
        if (startLock >= 0)
            ::close(startLock);  // releases the lock
        startLock = -1;
    }

    // Creates the folder when missing; refuses one that another user could enter or own.
    bool EnsureFolder()
    {
        if (folderChecked)
            return folderUsable;
        folderChecked = true;
        const QByteArray path = QFile::encodeName(folder);
        if (::mkdir(path.constData(), 0700) == 0)
            ::chmod(path.constData(), 0700);  // whatever the umask says
        else if (errno != EEXIST)
            return false;
        else
            CloseReadableFolder(path);
        folderUsable = IsPrivateFolder(path);
        return folderUsable;
    }

    void Serve(QLocalSocket* socket)
    {
        // Nothing longer than the longest request is ever worth keeping.
        socket->setReadBufferSize(kMaxRequestBytes + 1);
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { Answer(socket); });
        if (socket->bytesAvailable() > 0)
            Answer(socket);
    }

    void Answer(QLocalSocket* socket)
    {
        const HandoffRequest request = ParseHandoffRequest(socket->peek(kMaxRequestBytes + 1));
        if (request.kind == HandoffFrame::Incomplete)
            return;
        QObject::disconnect(socket, &QLocalSocket::readyRead, socket, nullptr);
        socket->readAll();
        if (request.kind == HandoffFrame::Malformed) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        QPointer<QLocalSocket> alive(socket);
        QByteArray reply;
        // The callbacks belong to the window; they must not throw, but nothing may cross
        // the event loop if they do.
        try {
            if (request.kind == HandoffFrame::AskTitle) {
                const QByteArray title = titleProvider ? titleProvider().left(kMaxTitleBytes) : QByteArray();
                reply = BigEndian(quint32(title.size())) + title;
            } else {
                // A box of onNotify may run the event loop and with it another hand-off;
                // each one sees its own names and puts the outer ones back.
                struct Handling {
                    QStringList& current;
                    QStringList outer;
                    ~Handling() { current = std::move(outer); }
                } scope{handling, std::exchange(handling, SplitHandoffText(request.text))};
                if (onNotify)
                    onNotify();
                reply = QByteArray(1, kAcknowledge);
            }
        } catch (...) {
            reply = request.kind == HandoffFrame::Names ? QByteArray(1, kAcknowledge) : QByteArray();
        }
        if (!alive)
            return;
        alive->write(reply);
        alive->flush();
        alive->disconnectFromServer();
    }
};

HandoffChannel::HandoffChannel(const QString& folder) : FImpl(std::make_unique<Impl>())
{
    FImpl->folder = folder.isEmpty() ? DefaultFolder() : QDir::cleanPath(QDir(folder).absolutePath());
}

HandoffChannel::~HandoffChannel()
{
    if (FImpl->server)
        FImpl->server->close();  // removes the socket file
    FImpl->UnlockStart();
}

void HandoffChannel::LockStart()
{
    if (FImpl->startLock >= 0 || !FImpl->EnsureFolder())
        return;
    const int fd = ::open(QFile::encodeName(FImpl->folder + QStringLiteral("/start")).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return;
    // A start that holds it longer than the limit is stuck: go on without it.
    const QDeadlineTimer deadline(FImpl->answerLimit);
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK && errno != EINTR) {
            ::close(fd);
            return;
        }
        if (deadline.hasExpired()) {
            ::close(fd);
            return;
        }
        ::usleep(10000);
    }
    FImpl->startLock = fd;
}

bool HandoffChannel::FolderRefused() const
{
    return FImpl->folderChecked && !FImpl->folderUsable;
}

QString HandoffChannel::FindRunningInstance(const QByteArray& title)
{
    if (!FImpl->EnsureFolder())
        return QString();
    const QString own = SocketName();
    for (const QString& path : RegisteredSockets(FImpl->folder)) {
        if (path == own || FImpl->passedOver.contains(path))
            continue;  // our own UI thread is the one asking: no answer could come
        QByteArray windowTitle;
        const QDeadlineTimer deadline(FImpl->answerLimit);
        switch (Exchange(path, QByteArray(1, kAskTitle), windowTitle, deadline)) {
        case Reply::Dead:
            QFile::remove(path);  // left behind by a window that ended without closing
            break;
        case Reply::Broken:  // also a window that did not answer in time
            break;
        case Reply::Answered:
            if (windowTitle.startsWith(title)) {
                FImpl->found = path;
                FImpl->foundDeadline = deadline;
                return path;
            }
            break;
        }
    }
    return QString();
}

bool HandoffChannel::WriteArguments(const QStringList& names)
{
    try {
        FImpl->request = MakeNamesRequest(JoinHandoffText(names));
        return true;
    } catch (const std::bad_alloc&) {
        FImpl->request = MakeNamesRequest(QByteArray());
        return false;
    }
}

bool HandoffChannel::Notify(const QString& socketName)
{
    QByteArray unused;
    // The window's time runs from the title question; another socket gets a whole limit.
    const QDeadlineTimer deadline =
        socketName == FImpl->found ? FImpl->foundDeadline : QDeadlineTimer(FImpl->answerLimit);
    FImpl->found.clear();
    if (Exchange(socketName, FImpl->request, unused, deadline) == Reply::Answered)
        return true;
    FImpl->passedOver << socketName;
    return false;
}

void HandoffChannel::SetAnswerLimit(std::chrono::milliseconds limit)
{
    FImpl->answerLimit = limit;
}

bool HandoffChannel::Register(std::function<QByteArray()> titleProvider, std::function<void()> onNotify)
{
    if (FImpl->server || !FImpl->EnsureFolder())
        return false;
    FImpl->titleProvider = std::move(titleProvider);
    FImpl->onNotify = std::move(onNotify);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    {
        // The lock makes "one more than the newest" a unique, growing sequence number.
        FolderLock lock(FImpl->folder);
        quint64 newest = 0;
        for (const QString& path : RegisteredSockets(FImpl->folder))
            newest = std::max(newest, SequenceOf(QFileInfo(path).fileName()));
        const QString path = FImpl->folder + QLatin1Char('/') + kSocketPrefix +
                             QStringLiteral("%1-%2").arg(newest + 1, 10, 10, QLatin1Char('0')).arg(::getpid());
        if (!server->listen(path))
            return false;
    }
    // The window is found from now on: starts waiting for the lock may look.
    FImpl->UnlockStart();
    Impl* impl = FImpl.get();
    QObject::connect(server.get(), &QLocalServer::newConnection, server.get(), [impl] {
        while (QLocalSocket* socket = impl->server->nextPendingConnection())
            impl->Serve(socket);
    });
    FImpl->server = std::move(server);
    return true;
}

QStringList HandoffChannel::ReadArguments() const
{
    return FImpl->handling;
}

QString HandoffChannel::Folder() const
{
    return FImpl->folder;
}

QString HandoffChannel::SocketName() const
{
    return FImpl->server ? FImpl->server->fullServerName() : QString();
}

QByteArray JoinHandoffText(const QStringList& names, int maxBytes)
{
    QByteArray text;
    for (const QString& name : names) {
        const QByteArray bytes = name.toUtf8();
        // A name cut short would name another file, or none: only whole names go.
        if (text.size() + bytes.size() + 1 > maxBytes)
            break;
        text += bytes;
        text += '\0';
    }
    return text;
}

QStringList SplitHandoffText(const QByteArray& text)
{
    QStringList names;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\0')
            continue;
        names << QString::fromUtf8(text.mid(start, i - start));
        start = i + 1;
    }
    if (start < text.size())
        names << QString::fromUtf8(text.mid(start));
    return names;
}

HandoffRequest ParseHandoffRequest(QByteArrayView received)
{
    if (received.isEmpty())
        return {};
    if (received[0] == kAskTitle)
        return {received.size() == 1 ? HandoffFrame::AskTitle : HandoffFrame::Malformed, {}};
    if (received[0] != kNotify)
        return {HandoffFrame::Malformed, {}};
    if (received.size() < 1 + kLengthBytes)
        return {};
    const quint32 length = FromBigEndian(received.data() + 1);
    if (length > quint32(kHandoffTextLimit))
        return {HandoffFrame::Malformed, {}};
    const qsizetype total = 1 + kLengthBytes + qsizetype(length);
    if (received.size() < total)
        return {};
    if (received.size() > total)
        return {HandoffFrame::Malformed, {}};
    return {HandoffFrame::Names, received.sliced(1 + kLengthBytes).toByteArray()};
}

QByteArray MakeNamesRequest(const QByteArray& text)
{
    return QByteArray(1, kNotify) + BigEndian(quint32(text.size())) + text;
}
