#pragma once
// A private X server (Xvfb) for one test, and the outside tools that drive and watch it:
// xdotool for input, ImageMagick's import for screenshots.
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

struct ToolResult {
    bool finished = false;  // ended by itself before the deadline
    int exitCode = -1;
    QString out;
    QString err;
};

class QProcess;
// Waits for a started process to end within deadlineMs (killing it after that) and
// collects its exit and output; a process that never started reports its error.
ToolResult FinishProcess(QProcess& process, int deadlineMs);

// Waits until condition() holds or deadlineMs passes; returns the last answer.
bool PollUntil(const std::function<bool()>& condition, int deadlineMs);

// The programs the end-to-end tests need that are not always installed; empty when all are.
QStringList MissingTools();

class XSession {
public:
    XSession() = default;
    ~XSession();
    XSession(const XSession&) = delete;
    XSession& operator=(const XSession&) = delete;

    // Starts Xvfb on a display it picks itself (no race with other tests) and waits for it.
    bool Start(QString* error);
    QString Display() const { return FDisplay; }

    // The caller's environment with this display, the X platform plug-in and no
    // inherited authority file.
    QProcessEnvironment Environment() const;

    ToolResult Run(const QString& program, const QStringList& args, int deadlineMs = 15000) const;
    ToolResult Xdotool(const QStringList& args) const { return Run(QStringLiteral("xdotool"), args); }

    // The whole screen; a null image when the capture failed.
    QImage Screenshot() const;

private:
    std::unique_ptr<QProcess> FServer;
    QString FDisplay;
};
