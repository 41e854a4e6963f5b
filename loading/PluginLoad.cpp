#include "loading/PluginLoad.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString ExecutableFolder()
{
    if (QCoreApplication::instance()) return QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).absolutePath();
}

} // namespace

QString DefaultPluginFolder(const QString& executableFolder)
{
    if (executableFolder.isEmpty()) return QString();
    const QDir here(executableFolder);
    for (const QString& relative : {QStringLiteral("plugins"), QStringLiteral("../lib/velumira/plugins")}) {
        const QFileInfo candidate(here.filePath(relative));
        if (candidate.isDir()) return QDir::cleanPath(candidate.absoluteFilePath());
    }
    return QString();
}

QString DefaultPluginFolder()
{
    return DefaultPluginFolder(ExecutableFolder());
}
