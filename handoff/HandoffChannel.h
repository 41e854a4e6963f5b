#pragma once
// The single-instance hand-off: a registry of the running main windows as local sockets in
// a private per-user folder, registration order being enumeration order. A second start
// sends its names inside the notification request over the window's own socket, so every
// start's names travel apart and nothing outside that folder is needed.
#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

// The most bytes of names one hand-off carries.
inline constexpr int kHandoffTextLimit = 16383;
// What one running window may take in all: connection, title question and notification.
inline constexpr std::chrono::milliseconds kHandoffAnswerLimit{3000};

class HandoffChannel : public QObject {
    Q_OBJECT
public:
    // folder: where the sockets and registry live; empty means the default private
    // per-user folder of the runtime directory (named for the display).
    explicit HandoffChannel(const QString& folder = QString());
    ~HandoffChannel() override;

    // Held from before the look-up until this start has handed its names over or registered
    // its window (or the channel ends), so that starts at the same moment find one another
    // instead of each opening a window. A start that finds the lock held waits for it, at
    // most the answer limit. An exclusive lock on a file in the channel folder.
    void LockStart();
    // True once the channel folder was found open to others and refused.
    bool FolderRefused() const;

    // Sending side: the first live registered window whose title begins with title.
    // Returns its socket name, empty when none. A window that does not answer within the
    // limit, or that a Notify gave up on, is passed over; its socket stays, as it is alive.
    QString FindRunningInstance(const QByteArray& title);
    // Joins the names (each ends with a NUL), as many whole names as fit in 16383 bytes, and
    // makes the request the following Notify calls send. False when there was no memory for it.
    bool WriteArguments(const QStringList& names);
    // Sends the request with the names and waits until the receiver has handled it, at most
    // for what is left of the window's limit since FindRunningInstance first asked it.
    bool Notify(const QString& socketName);
    void SetAnswerLimit(std::chrono::milliseconds limit);

    // Receiving side: registers this process's window. titleProvider answers the title
    // test; onNotify runs on the UI thread for each hand-off before it is acknowledged.
    bool Register(std::function<QByteArray()> titleProvider, std::function<void()> onNotify);
    // Inside onNotify: the names of the hand-off being handled; empty outside one.
    QStringList ReadArguments() const;

    QString Folder() const;
    // This window's socket, empty before Register.
    QString SocketName() const;

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

// The names in UTF-8, each followed by a NUL, the one byte no file name holds: a line
// break in a name travels as part of it. Only whole names, as many as fit in maxBytes.
QByteArray JoinHandoffText(const QStringList& names, int maxBytes = kHandoffTextLimit);
// The names of a hand-off text; a NUL at the very end adds no entry.
QStringList SplitHandoffText(const QByteArray& text);

// One request on a window's socket, one per connection: "T" asks the window's title;
// "N", the length of the names as four bytes (most significant first) and that many bytes
// of names (at most kHandoffTextLimit) hands them over.
enum class HandoffFrame { Incomplete, AskTitle, Names, Malformed };
struct HandoffRequest {
    HandoffFrame kind = HandoffFrame::Incomplete;
    QByteArray text;  // the names of a Names request
};
// Reads what has arrived on a connection so far. Incomplete asks for more bytes; an unknown
// request, a length over the limit or bytes after the request are Malformed.
HandoffRequest ParseHandoffRequest(QByteArrayView received);
// The Names request for text, which must be at most kHandoffTextLimit bytes.
QByteArray MakeNamesRequest(const QByteArray& text);
