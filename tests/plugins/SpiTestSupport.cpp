#include "tests/plugins/SpiTestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <dirent.h>
#include <dlfcn.h>
#include <strings.h>

QString TestSpiBuilt(const QString& file)
{
    return QStringLiteral(VELUMIRA_TEST_SPI_DIR) + QLatin1Char('/') + file;
}

QString SpiFolder::Add(const QString& file, const QString& as) const
{
    const QString target = FFolder.Path(as.isEmpty() ? file : as);
    QFile::remove(target);
    if (!QFile::copy(TestSpiBuilt(file), target)) return QString();
    return target;
}

QStringList SpiFolder::ListedOrder() const
{
    QStringList names;
    DIR* dir = opendir(QFile::encodeName(Path()).constData());
    if (!dir) return names;
    while (const dirent* e = readdir(dir)) {
        const std::size_t n = std::strlen(e->d_name);
        if (n >= 4 && strcasecmp(e->d_name + n - 4, ".spi") == 0) names << QFile::decodeName(e->d_name);
    }
    closedir(dir);
    return names;
}

QByteArray TestPicture(const char (&magic)[5], int width, int height, MalformedMode mode)
{
    TestSpiHead head{};
    std::memcpy(head.magic, magic, 4);
    head.width = width;
    head.height = height;
    head.mode = static_cast<uint8_t>(mode);
    return QByteArray(reinterpret_cast<const char*>(&head), sizeof head);
}

int TestCalls(const TSpiPlugin& plugin)
{
    const auto* calls = static_cast<const int32_t*>(plugin.Module.Symbol("TestCalls"));
    return calls ? *calls : -1;
}

QStringList ListedNames(const TSpiHost& host)
{
    QStringList names;
    for (const TSpiPluginPtr& p : host.Plugins()) names << QFileInfo(p->Path).fileName();
    return names;
}

bool IsLoaded(const QString& path)
{
    void* handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_NOLOAD);
    if (!handle) return false;
    dlclose(handle);
    return true;
}

int OpenDescriptorCount()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}
