#pragma once
// Small file checks shared by the file-operation and organise tests.
#include "QtPrinters.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>

inline QByteArray ReadBytes(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray("<unreadable>");
    return f.readAll();
}

// Every entry of a folder, hidden ones too, sorted: shows leftovers such as temporary copies.
inline QStringList Entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

inline dev_t DeviceOf(const QString& path)
{
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st.st_dev;
}

// A temporary folder on another file system than `near`, or nothing when the machine has none.
inline std::unique_ptr<QTemporaryDir> FolderOnOtherFileSystem(const QString& near)
{
    for (const QString& base : {QStringLiteral("/dev/shm"), QStringLiteral("/run/shm"), QStringLiteral("/run/user")}) {
        if (!QDir(base).exists()) continue;
        auto dir = std::make_unique<QTemporaryDir>(base + "/velumira-xfs-XXXXXX");
        if (dir->isValid() && DeviceOf(dir->path()) != DeviceOf(near)) return dir;
    }
    return nullptr;
}

// Makes writes past `bytes` fail for the life of the object, as a full disk would.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);  // the write then fails with EFBIG
        struct rlimit limit = FOld;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit FOld {};
    void (*FOldHandler)(int) = SIG_DFL;
};

// A picture-sized payload with a recognisable pattern.
inline QByteArray Payload(int size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>(seed + i * 7);
    return bytes;
}
