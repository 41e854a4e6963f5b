#include "chooser/PictEntry.h"

#include "loading/PictureName.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLocale>
#include <algorithm>

int TFileList::Add(const QString& key, std::unique_ptr<TPictEntry> entry)
{
    FItems.emplace_back(key, std::move(entry));
    return Count() - 1;
}

TNameOrder::TNameOrder() : FCollator(QLocale())
{
    FCollator.setCaseSensitivity(Qt::CaseInsensitive);
}

bool TNameOrder::Less(const QString& a, const QString& b) const
{
    const int c = FCollator.compare(a, b);
    if (c != 0)
        return c < 0;
    return a < b;
}

int TViewList::Add(const QString& key, TPictEntry* entry)
{
    auto at = std::upper_bound(FItems.begin(), FItems.end(), key,
                               [this](const QString& k, const std::pair<QString, TPictEntry*>& item) {
                                   return Less(k, item.first);
                               });
    at = FItems.insert(at, {key, entry});
    return static_cast<int>(at - FItems.begin());
}

bool IsChooserPicture(const QString& name)
{
    // Only these carry a small embedded preview that the reader can show quickly.
    const TPictureType type = ClassifyPicture(name);
    return type == TPictureType::Jpeg || type == TPictureType::Pef || type == TPictureType::Camera;
}

std::vector<TListedFile> EnumeratePictureFiles(const QString& folderPath)
{
    std::vector<TListedFile> files;
    // Files and hidden files, symbolic links to files included; QDir::System is left out
    // because opening a pipe or device named *.jpg would hang the reader.
    QDirIterator it(folderPath, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        if (!info.isFile() || !IsChooserPicture(info.fileName()))
            continue;
        files.push_back({info.fileName(),
                         info.lastModified().toLocalTime().toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")),
                         QString::number(info.size())});
    }
    return files;
}

QString MakeFolderPath(const QString& folder)
{
    return folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
}
