#pragma once
// Folders of test plug-ins for the host tests, and the small picture files they read.
#include "loading/SpiHost.h"
#include "support/TestFolder.h"
#include "tests/plugins/TestSpiFormat.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// Path of a test plug-in as the build made it (file name as in tests/plugins/CMakeLists.txt).
QString TestSpiBuilt(const QString& file);

// A private plug-in folder. Copies get fresh paths, so every test loads its own instances
// and their call counters start at 0.
class SpiFolder {
public:
    // Copies the built plug-in file in under the name as (default: its own name).
    QString Add(const QString& file, const QString& as = QString()) const;
    QString Path(const QString& name = QString()) const { return FFolder.Path(name); }
    QString Write(const QString& name, const QByteArray& bytes) const { return FFolder.Write(name, bytes); }
    // Names of the ".spi" entries (any case) in directory order, as a scan meets them.
    QStringList ListedOrder() const;

private:
    TestFolder FFolder;
};

QByteArray TestPicture(const char (&magic)[5], int width, int height, MalformedMode mode = MalformedMode(0));

// IsSupported calls counted by a test plug-in.
int TestCalls(const TSpiPlugin& plugin);
// File names (without folder) of the list in use, in order.
QStringList ListedNames(const TSpiHost& host);
// Whether the library at path is loaded in this process.
bool IsLoaded(const QString& path);
int OpenDescriptorCount();
