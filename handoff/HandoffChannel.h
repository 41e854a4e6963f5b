#pragma once
// The single-instance hand-off: a 16384-byte shared block per user and display that
// carries the names of a second start, and a registry of the running main windows as
// local sockets in a private per-user folder. Registration order is enumeration order.
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>

inline constexpr int kHandoffBlockSize = 16384;
// What one running window may take in all: connection, title question and notification.
inline constexpr std::chrono::milliseconds kHandoffAnswerLimit{3000};

class HandoffChannel : public QObject {
    Q_OBJECT
public:
    // folder: where the sockets and registry live; empty means the default private
    // per-user folder of the runtime directory (named for the display). A given folder
    // also gets its own shared block, so tests never meet the user's real channel.
    explicit HandoffChannel(const QString& folder = QString());
    ~HandoffChannel() override;

    // Start-up step 1: create or open the shared block and map it. False leaves no view.
    bool OpenBlock();
    bool HasView() const;

    // Sending side: the first live registered window whose title begins with title.
    // Returns its socket name, empty when none. A window that does not answer within the
    // limit, or that a Notify gave up on, is passed over; its socket stays, as it is alive.
    QString FindRunningInstance(const QByteArray& title);
    // Joins names with CR LF, cuts to 16383 bytes at a whole UTF-8 character, writes it
    // and a NUL into the block.
    void WriteArguments(const QStringList& names);
    // Sends the notification and waits until the receiver has handled it, at most for what
    // is left of the window's limit since FindRunningInstance first asked it.
    bool Notify(const QString& socketName);
    void SetAnswerLimit(std::chrono::milliseconds limit);

    // Receiving side: registers this process's window. titleProvider answers the title
    // test; onNotify runs on the UI thread for each notification before it is acknowledged.
    bool Register(std::function<QByteArray()> titleProvider, std::function<void()> onNotify);
    // The block's text up to the first NUL, split at CR, LF or CR LF.
    QStringList ReadArguments() const;

    QString Folder() const;
    // The shared block's name ("/velumira-...") and this window's socket, empty before Register.
    QString BlockName() const;
    QString SocketName() const;
    // Removes the shared block's name; for tests that use a private folder.
    void RemoveBlock();

private:
    struct Impl;
    std::unique_ptr<Impl> FImpl;
};

// Joins with CR LF and cuts to at most maxBytes of UTF-8 without splitting a character.
QByteArray JoinHandoffText(const QStringList& names, int maxBytes = kHandoffBlockSize - 1);
// Splits a hand-off text at CR, LF or CR LF; a break at the very end adds no entry.
QStringList SplitHandoffText(const QByteArray& text);
