// The --focus half of velumira-info: it decodes pictures, so it needs QtGui, libjpeg and
// the plug-in host. Loaded only when --focus is asked for; the header modes start without
// those libraries (most of a short run's time is the dynamic loader's page faults).
#include "tools/info/FocusModule.h"

#include "focus/FocusMap.h"
#include "loading/Bmpmagbase.h"
#include "loading/LoadErrors.h"

#include "tools/info/OrderedRun.h"

#include <QString>
#include <cstdio>

namespace {

// The picture decoded as the viewer loads it; the figure is the strongest 1 % of its
// gradients (higher is sharper).
TFileLine FocusLine(const std::string& path)
{
    try {
        TBitmapMAGBase picture;
        picture.LoadFromFile(QString::fromStdString(path));
        const double figure = SharpnessFigure(ComputeFocusMap(picture.Image()));
        char text[32];
        std::snprintf(text, sizeof text, "\t%.1f\n", figure);
        return Printed(path + text);
    } catch (const EStreamError& e) {
        return Failure(path + '\t' + e.what() + '\n');
    }
}

} // namespace

extern "C" __attribute__((visibility("default"))) int VelumiraInfoFocus(int count, char** names)
{
    // A decode and its map take a few hundred milliseconds and a hundred megabytes at most
    // for a large frame: a thread per core, four at most, as the viewer's own load.
    const bool ok = RunInOrder(count, ThreadsFor(count, 100000, 4),
                               [&](int i) { return FocusLine(names[i]); }, PrintLine,
                               [&](int i, const std::string& reason) { return Failure(std::string(names[i]) + '\t' + reason + '\n'); });
    return ok ? 0 : 1;
}
