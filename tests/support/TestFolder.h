#pragma once
// A private temporary folder per test, removed afterwards.
#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TestFolder {
public:
    TestFolder();
    QString Path(const QString& name = QString()) const;
    // Writes bytes to name inside the folder and returns the full path.
    QString Write(const QString& name, const QByteArray& bytes) const;

private:
    QTemporaryDir FDir;
};

// Folder of the real camera files, empty when they are not beside the project.
QString RealFixturesFolder();
