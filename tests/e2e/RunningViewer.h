#pragma once
// A real velumira process on an XSession, with its own hand-off channel folder and settings
// file, and the X input that drives it.
#include "e2e/XSession.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>

#include <memory>

// The main window's X name begins with the product title and the opening bracket of the
// caption; the application's other X windows (leader, selection owner) are named otherwise.
inline const QString kMainWindowPattern = QStringLiteral("^Velumira\\(");

class RunningViewer {
public:
    // executable: the velumira to run; folder: private, holds the channel, settings and log.
    RunningViewer(const XSession& x, QString executable, QString folder);
    ~RunningViewer();
    RunningViewer(const RunningViewer&) = delete;
    RunningViewer& operator=(const RunningViewer&) = delete;

    QString SettingsPath() const;
    // An environment variable of the window's process (a scale factor), set before Start.
    void SetEnvironment(const QString& name, const QString& value) { FExtraEnvironment.insert(name, value); }
    // Writes the settings file the window reads when it first shows.
    void WriteSettings(const QByteArray& text) const;

    // Starts the window and waits until it is mapped; false (with the reason) otherwise.
    bool Start(const QStringList& names, QString* error);
    // Runs another start of the same program on the same channel to its end.
    ToolResult SecondStart(const QStringList& names) const;
    // Waits for this window's process to end; false when it still runs at the deadline.
    bool WaitForExit(int deadlineMs, int* exitCode);
    QStringList LogLines() const;

    QString Window() const { return FWindow; }
    QRect Geometry() const;          // outer bounds of the main window on the screen
    QStringList MainWindows() const;  // every mapped main window on the display
    int VisibleWindowCount() const;   // this process's mapped windows (menus included)

    // Input: pointer positions are screen coordinates.
    void Focus() const;
    void MoveMouse(int x, int y) const;
    void Click(int button) const;
    void Drag(QPoint from, QPoint to, int steps) const;
    void Keys(const QStringList& keys) const;

private:
    QProcessEnvironment Environment() const;

    const XSession& FX;
    QString FExecutable;
    QString FFolder;
    std::unique_ptr<QProcess> FProcess;
    QString FWindow;
    QProcessEnvironment FExtraEnvironment;
};
