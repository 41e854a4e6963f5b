#pragma once
// An outside program for launch tests: a shell script that records how it was started.
#include "QtPrinters.h"
#include "support/TestFolder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

// Writes its program path ($0), its argument count and its arguments, one per line, into
// `record`; the file appears whole (written aside, then renamed).
inline QString WriteRecorderScript(const TestFolder& folder, const QString& name, const QString& record)
{
    const QString script = QStringLiteral(
        "#!/bin/sh\n"
        "{ printf '%s\\n' \"$0\" \"$#\"; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '%1.part'\n"
        "mv '%1.part' '%1'\n").arg(record);
    const QString path = folder.Write(name, script.toUtf8());
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// Waits (bounded) for a detached program to leave its record; empty when it never does.
inline QStringList WaitForRecord(const QString& record)
{
    QDeadlineTimer deadline(30000);
    while (!QFile::exists(record) && !deadline.hasExpired()) QThread::msleep(20);
    QFile f(record);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();
    return lines;
}
