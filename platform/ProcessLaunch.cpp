#include "platform/ProcessLaunch.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <unistd.h>

namespace launch {

QString ResolveProgramPath(const QString& program)
{
    if (program.isEmpty()) return {};
    // Made absolute here so that QProcess never looks a bare name up in PATH.
    return QDir::current().absoluteFilePath(program);
}

bool StartDetachedProgram(const QString& program, const QString& picture)
{
    const QString path = ResolveProgramPath(program);
    if (path.isEmpty()) return false;
    const QFileInfo info(path);
    if (!info.exists() || info.isDir()) return false;
    if (::access(QFile::encodeName(path).constData(), X_OK) != 0) return false;
    return QProcess::startDetached(path, {picture}, QDir::currentPath());
}

}  // namespace launch
