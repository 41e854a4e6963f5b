#include "support/TestFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <stdexcept>

TestFolder::TestFolder() : FDir(QDir::tempPath() + "/velumira-test-XXXXXX")
{
    if (!FDir.isValid())
        throw std::runtime_error("cannot create a temporary folder");
}

QString TestFolder::Path(const QString& name) const
{
    return name.isEmpty() ? FDir.path() : FDir.path() + "/" + name;
}

QString TestFolder::Write(const QString& name, const QByteArray& bytes) const
{
    const QString path = Path(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write fixture " + path.toStdString());
    return path;
}

QString RealFixturesFolder()
{
    const QString dir = qEnvironmentVariable("VELUMIRA_TEST_FIXTURES");
    if (!dir.isEmpty() && QFileInfo(dir).isDir())
        return QDir(dir).absolutePath();
    return QString();
}
