#include "e2e/XSession.h"

#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QThread>

bool PollUntil(const std::function<bool()>& condition, int deadlineMs)
{
    const QDeadlineTimer deadline(deadlineMs);
    for (;;) {
        if (condition())
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(40);
    }
}

QStringList MissingTools()
{
    QStringList missing;
    for (const char* tool : {"Xvfb", "xdotool", "import"}) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
            missing << QString::fromLatin1(tool);
    }
    return missing;
}

XSession::~XSession()
{
    if (FServer && FServer->state() != QProcess::NotRunning) {
        FServer->terminate();
        if (!FServer->waitForFinished(5000)) {
            FServer->kill();
            FServer->waitForFinished(-1);
        }
    }
}

bool XSession::Start(QString* error)
{
    FServer = std::make_unique<QProcess>();
    // -displayfd 1: the server takes the first free display and prints its number once it
    // accepts connections, so parallel tests never pick the same one. -noreset: a program
    // that ends (a second start) must not reset the server under the next one.
    FServer->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"),
                                            QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"),
                                            QStringLiteral("tcp"), QStringLiteral("-noreset")});
    if (!FServer->waitForStarted(10000)) {
        *error = QStringLiteral("Xvfb did not start: ") + FServer->errorString();
        return false;
    }
    QByteArray number;
    const bool ready = PollUntil(
        [&] {
            FServer->waitForReadyRead(50);
            number += FServer->readAllStandardOutput();
            return number.contains('\n') || FServer->state() == QProcess::NotRunning;
        },
        20000);
    if (!ready || !number.contains('\n')) {
        *error = QStringLiteral("Xvfb gave no display: ") + QString::fromLocal8Bit(FServer->readAllStandardError());
        return false;
    }
    FDisplay = QStringLiteral(":") + QString::fromLatin1(number.trimmed());
    return true;
}

QProcessEnvironment XSession::Environment() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), FDisplay);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("XAUTHORITY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    // Sanitizer builds: leaks inside system libraries are not ours to report.
    env.insert(QStringLiteral("LSAN_OPTIONS"), QStringLiteral("suppressions=" VELUMIRA_LSAN_SUPPRESSIONS));
    return env;
}

ToolResult FinishProcess(QProcess& p, int deadlineMs)
{
    ToolResult result;
    if (!p.waitForStarted(10000)) {
        result.err = p.errorString();
        return result;
    }
    if (!p.waitForFinished(deadlineMs)) {
        p.kill();
        p.waitForFinished(-1);
        result.err = QString::fromLocal8Bit(p.readAllStandardError());
        return result;
    }
    result.finished = p.exitStatus() == QProcess::NormalExit;
    result.exitCode = p.exitCode();
    result.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(p.readAllStandardError());
    return result;
}

ToolResult XSession::Run(const QString& program, const QStringList& args, int deadlineMs) const
{
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(program, args);
    return FinishProcess(p, deadlineMs);
}

QImage XSession::Screenshot() const
{
    QProcess p;
    p.setProcessEnvironment(Environment());
    p.start(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")});
    if (!p.waitForFinished(15000) || p.exitCode() != 0)
        return {};
    QImage image;
    image.loadFromData(p.readAllStandardOutput(), "PNG");
    return image.convertToFormat(QImage::Format_RGB32);
}
