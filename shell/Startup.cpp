#include "shell/Startup.h"

#include "handoff/HandoffChannel.h"
#include "platform/ProfileFile.h"
#include "ui/Prompter.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

namespace {

// Writes what a box would show to stderr and answers as if the user declined.
class LoggingPrompter : public Prompter {
public:
    void Message(const QString& text, const QString& title) override { Log("Message", title, text); }
    bool Ask(const QString& text, const QString& title) override
    {
        Log("Ask", title, text);
        return false;
    }
    void ShowError(const QString& message) override { Log("Error", QString::fromUtf8(kApplicationTitle), message); }
    QStringList OpenFiles(const OpenFilesRequest& request) override
    {
        Log("OpenFiles", request.title, QString());
        return {};
    }
    int ShowModal(QDialog& dialog) override
    {
        Log("Modal", dialog.windowTitle(), QString());
        return mrCancel;
    }

private:
    static void Log(const char* kind, const QString& title, const QString& text)
    {
        TestLog(QStringLiteral("PROMPT %1\t%2\t%3").arg(QLatin1String(kind), title, text));
    }
};

}  // namespace

QStringList StartupArgumentsFrom(int argc, const char* const* argv)
{
    QStringList names;
    for (int i = 1; i < argc; ++i)
        names << QFile::decodeName(argv[i]);
    return names;
}

QStringList HandoffNames(const QStringList& names, const QString& currentFolder)
{
    QStringList absolute;
    for (const QString& name : names) {
        if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || currentFolder.isEmpty())
            absolute << name;
        else if (currentFolder.endsWith(QLatin1Char('/')))
            absolute << currentFolder + name;
        else
            absolute << currentFolder + QLatin1Char('/') + name;
    }
    return absolute;
}

QString StartupSettingsPath(const QString& executablePath)
{
    const QString fromTest = qEnvironmentVariable("VELUMIRA_SETTINGS");
    return fromTest.isEmpty() ? SettingsFilePath(executablePath) : fromTest;
}

QString StartupHandoffFolder()
{
    return qEnvironmentVariable("VELUMIRA_HANDOFF_DIR");
}

bool TestLogEnabled()
{
    return qEnvironmentVariableIsSet("VELUMIRA_TEST_LOG");
}

void TestLog(const QString& line)
{
    if (!TestLogEnabled())
        return;
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
    std::fflush(stderr);
}

std::unique_ptr<Prompter> MakeStartupPrompter()
{
    if (TestLogEnabled())
        return std::make_unique<LoggingPrompter>();
    return std::make_unique<QtPrompter>();
}

StartPath HandOffOrContinue(HandoffChannel& channel, Prompter& prompter, const QString& settingsPath,
                            const QStringList& names)
{
    const bool multiCheck = ProfileFile(settingsPath).ReadBool(QStringLiteral("DEBUG"), QStringLiteral("MULTICHECK"), true);
    if (!multiCheck) {
        prompter.Message(QStringLiteral("多重起動チェックオフです"), QStringLiteral("確認"));
        return StartPath::NormalStart;
    }
    const QStringList handed = HandoffNames(names, QDir::currentPath());
    // Until this start has handed off or registered its window, another start waits.
    channel.LockStart();
    // Each round either ends or passes one more window over, so this comes to an end.
    for (;;) {
        const QString running = channel.FindRunningInstance(QByteArray(kProductTitle));
        if (running.isEmpty()) {
            if (channel.FolderRefused())
                prompter.Message(QStringLiteral("多重起動チェック用のフォルダ(%1)は他のユーザーも使えるため、"
                                                "多重起動チェックを行いません。")
                                     .arg(channel.Folder()),
                                 QStringLiteral("エラー"));
            return StartPath::NormalStart;
        }
        // A second start: it never opens a window. Without names the running one is left alone.
        if (names.isEmpty())
            return StartPath::Ended;
        // The names travel in the request itself, so the one thing left that can keep them
        // from being sent at all is a lack of memory for that request; a window that cannot
        // be reached or does not answer is passed over instead.
        if (!channel.WriteArguments(handed)) {
            prompter.Message(QStringLiteral("メモリ割り当てエラー(多重起動時)"), QStringLiteral("エラー"));
            return StartPath::Ended;
        }
        if (channel.Notify(running))
            return StartPath::Ended;
    }
}

QTranslator* InstallToolkitTranslation(QCoreApplication& app)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}
