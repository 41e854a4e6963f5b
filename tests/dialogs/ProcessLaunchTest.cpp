#include "platform/ProcessLaunch.h"

#include "ScriptHelpers.h"
#include "support/TestFolder.h"

#include <QDir>
#include <gtest/gtest.h>

namespace {

// Runs a test body in another current folder and always comes back.
class CurrentFolder {
public:
    explicit CurrentFolder(const QString& folder) : FOld(QDir::currentPath()) { QDir::setCurrent(folder); }
    ~CurrentFolder() { QDir::setCurrent(FOld); }

private:
    QString FOld;
};

TEST(ProcessLaunch, ProgramPathsCountFromTheCurrentFolder)
{
    TestFolder folder;
    CurrentFolder here(folder.Path());
    const QString cwd = QDir::currentPath();
    EXPECT_EQ(launch::ResolveProgramPath("tools/ed"), cwd + "/tools/ed");
    EXPECT_EQ(launch::ResolveProgramPath("ed"), cwd + "/ed") << "a bare name is not looked up in PATH";
    EXPECT_EQ(launch::ResolveProgramPath("/usr/bin/ed"), "/usr/bin/ed");
    EXPECT_EQ(launch::ResolveProgramPath(""), "");
}

TEST(ProcessLaunch, RefusesWhatCannotStart)
{
    TestFolder folder;
    const QString plain = folder.Write("plain.sh", "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(plain, QFile::ReadOwner | QFile::WriteOwner);  // no execute bit for anyone
    QDir().mkpath(folder.Path("folder"));
    CurrentFolder here(folder.Path());

    const struct {
        const char* name;
        QString program;
    } cases[] = {
        {"empty path", QString()},
        {"missing file", folder.Path("none")},
        {"a folder", folder.Path("folder")},
        {"not executable", plain},
        {"bare name found only through PATH", QStringLiteral("sh")},
    };
    for (const auto& c : cases)
        EXPECT_FALSE(launch::StartDetachedProgram(c.program, folder.Path("a.jpg"))) << c.name;
}

TEST(ProcessLaunch, RelativeProgramStartsFromTheCurrentFolder)
{
    TestFolder folder;
    const QString record = folder.Path("record.txt");
    const QString program = WriteRecorderScript(folder, "bin/rec.sh", record);
    CurrentFolder here(folder.Path());

    ASSERT_TRUE(launch::StartDetachedProgram("bin/rec.sh", "/pics/a.jpg"));
    EXPECT_EQ(WaitForRecord(record), (QStringList{QDir::current().absoluteFilePath("bin/rec.sh"), "1", "/pics/a.jpg"}));
    EXPECT_EQ(QFileInfo(QDir::current().absoluteFilePath("bin/rec.sh")).canonicalFilePath(),
              QFileInfo(program).canonicalFilePath());
}

}  // namespace
