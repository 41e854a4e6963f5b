// The --focus half of velumira-info: it decodes pictures, so it needs QtGui, libjpeg and
// the plug-in host. Loaded only when --focus is asked for; the header modes start without
// those libraries (most of a short run's time is the dynamic loader's page faults).
#include "tools/info/FocusModule.h"

#include "focus/FocusMap.h"
#include "loading/Bmpmagbase.h"
#include "loading/LoadErrors.h"
#include "loading/PictureName.h"
#include "loading/PluginLoad.h"

#include "tools/info/OrderedRun.h"

#include <QString>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <unistd.h>

namespace {

// The plug-ins that ship with the program, as the viewer finds them by default. The host
// serves one file at a time, so the decodes it does take turns; JPEG and PEF do not need it.
class TPluginTurns {
public:
    void Load(TBitmapMAGBase& picture, const QString& name)
    {
        if (const TPictureType type = ClassifyPicture(name); type == TPictureType::Jpeg || type == TPictureType::Pef) {
            picture.LoadFromFile(name);
            return;
        }
        const std::lock_guard<std::mutex> lock(FMutex);
        if (!FLoaded) {
            FLoaded = true;
            LoadPlugins(FHost, DefaultPluginFolder());
        }
        picture.SetPluginHost(&FHost);
        picture.LoadFromFile(name);
        picture.SetPluginHost(nullptr);
    }

private:
    std::mutex FMutex;
    bool FLoaded = false;
    TSpiHost FHost;
};

// File names are bytes; the loader takes them as text, which cannot hold a name that is not
// UTF-8. Such a file is reached through a link with a UTF-8 name (the same extension, so
// that it is classified alike) in a private folder made for the run.
class TNameLinks {
public:
    ~TNameLinks()
    {
        for (const std::string& link : FLinks)
            unlink(link.c_str());
        if (!FFolder.empty())
            rmdir(FFolder.c_str());
    }

    // The name the loader can take for path; empty when no link could be made.
    QString Reachable(const std::string& path, int index)
    {
        const QString text = QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
        if (text.toUtf8() == QByteArray::fromStdString(path))
            return text;
        std::string target = path;
        if (target.empty() || target[0] != '/') {
            char here[4096];
            if (getcwd(here, sizeof here) == nullptr)
                return QString();
            target = std::string(here) + '/' + path;
        }
        const std::size_t slash = path.rfind('/'), dot = path.rfind('.');
        std::string extension = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(dot) : "";
        if (QString::fromUtf8(extension.data(), static_cast<qsizetype>(extension.size())).toUtf8() != QByteArray::fromStdString(extension))
            extension.clear();
        const std::lock_guard<std::mutex> lock(FMutex);
        if (FFolder.empty()) {
            const char* tmp = std::getenv("TMPDIR");
            std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/velumira-info-XXXXXX";
            if (mkdtemp(pattern.data()) == nullptr)
                return QString();
            FFolder = pattern;
        }
        const std::string link = FFolder + '/' + std::to_string(index) + extension;
        if (symlink(target.c_str(), link.c_str()) != 0)
            return QString();
        FLinks.push_back(link);
        return QString::fromUtf8(link.data(), static_cast<qsizetype>(link.size()));
    }

private:
    std::mutex FMutex;
    std::string FFolder;
    std::vector<std::string> FLinks;
};

// The picture decoded as the viewer loads it and its sharpness figure (higher is sharper).
TFileLine FocusLine(const std::string& path, int index, TPluginTurns& plugins, TNameLinks& links)
{
    const QString name = links.Reachable(path, index);
    try {
        if (name.isEmpty())
            throw EFOpenError("ファイル " + path + " は開けません");
        TBitmapMAGBase picture;
        plugins.Load(picture, name);
        const double figure = SharpnessFigure(ComputeFocusMap(picture.Image()));
        char text[32];
        std::snprintf(text, sizeof text, "\t%.1f\n", figure);
        return Printed(path + text);
    } catch (const EStreamError& e) {
        // A message about the link names the file as it was given.
        std::string message = e.what();
        const std::string link = name.toStdString();
        if (!link.empty() && link != path)
            for (std::size_t at = message.find(link); at != std::string::npos; at = message.find(link, at + path.size()))
                message.replace(at, link.size(), path);
        return Failure(path + '\t' + message + '\n');
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) int VelumiraInfoFocus(int count, char** names)
{
    TPluginTurns plugins;
    TNameLinks links;
    // A decode and its map take a few hundred milliseconds and a hundred megabytes at most
    // for a large frame: a thread per core, four at most, as the viewer's own load.
    const bool ok = RunInOrder(count, ThreadsFor(count, 100000, 4),
                               [&](int i) { return FocusLine(names[i], i, plugins, links); }, PrintLine,
                               [&](int i, const std::string& reason) { return Failure(std::string(names[i]) + '\t' + reason + '\n'); });
    return ok ? 0 : 1;
}
