#include "viewer/Burst.h"

#include "chooser/PictEntry.h"
#include "loading/Bmpmagbase.h"
#include "loading/PictureName.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

QStringList BurstFiles(const QString& folder, const QStringList& pluginExtensions)
{
    QStringList names;
    // As the chooser lists: files and hidden files, links to files; never devices or pipes.
    QDirIterator it(folder, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!info.isFile())
            continue;
        const TPictureType type = ClassifyPicture(info.fileName());
        if (type == TPictureType::None
            || (type == TPictureType::Plugin && !pluginExtensions.contains(PictureExtension(info.fileName()))))
            continue;
        names << info.fileName();
    }
    const TNameOrder order;
    std::sort(names.begin(), names.end(), [&](const QString& a, const QString& b) { return order.Less(a, b); });
    const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    for (QString& name : names)
        name.prepend(prefix);
    return names;
}

int SteppedGroupStart(int count, int start, int size, int by)
{
    if (count <= 0 || size <= 0 || start < 0 || start >= count)
        return -1;
    const int last = std::max(0, count - size);
    const int to = std::clamp(start + by, 0, last);
    return to == start ? -1 : to;
}

void TurnPicture(TBitmapMAGBase& picture, int quarters)
{
    if (quarters == 1)
        TBitmapMAGBase::RotateRight(picture);
    else if (quarters == 2)
        TBitmapMAGBase::Rotate180(picture);
    else if (quarters == 3)
        TBitmapMAGBase::RotateLeft(picture);
}
