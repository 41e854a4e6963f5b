#include "dialogs/Places.h"

#include "dialogs/FolderTree.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>
#include <algorithm>

bool IsUnder(const QString& path, const QString& folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

std::vector<TPlace> PlaceList(const QString& home, const QString& pictures,
                              const std::vector<std::pair<QString, QString>>& volumes)
{
    std::vector<TPlace> places;
    auto add = [&places](const QString& folder, const QString& label) {
        const QString root = QDir::cleanPath(folder);
        if (folder.isEmpty() || root == QLatin1String("/"))
            return;
        if (std::none_of(places.begin(), places.end(), [&](const TPlace& p) { return p.Root == root; }))
            places.push_back({root, label});
    };
    add(home, QStringLiteral("ホーム"));
    add(pictures, QStringLiteral("ピクチャ"));
    // Cards and disks that the desktop or the user mounts; the system's own mounts (/boot,
    // /proc, containers' overlays) are no place to look for pictures.
    for (const auto& [folder, label] : volumes) {
        const QString root = QDir::cleanPath(folder);
        if (IsUnder(root, QStringLiteral("/media")) || IsUnder(root, QStringLiteral("/run/media"))
            || IsUnder(root, QStringLiteral("/mnt")))
            add(root, label.isEmpty() ? QFileInfo(root).fileName() : label);
    }
    places.push_back({QStringLiteral("/"), QStringLiteral("/")});
    return places;
}

QString PlaceFor(const std::vector<TPlace>& places, const QString& folder)
{
    const QString path = QDir::cleanPath(folder);
    QString best = QStringLiteral("/");
    for (const TPlace& place : places)
        if (place.Root.size() > best.size() && IsUnder(path, place.Root))
            best = place.Root;
    return best;
}

std::vector<TPlace> CurrentPlaces()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    std::vector<std::pair<QString, QString>> volumes;
    for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady())
            volumes.emplace_back(volume.rootPath(), volume.name());
    return PlaceList(QDir::homePath(), QFileInfo(pictures).isDir() ? pictures : QString(), volumes);
}

TPlacesBox::TPlacesBox(TFolderTree* tree, QWidget* parent, PlaceSource source)
    : QComboBox(parent), FTree(tree), FSource(source ? std::move(source) : PlaceSource(CurrentPlaces))
{
    // Filled when a folder is shown or the list is opened, not at creation: reading the
    // mounts asks every file system, which start-up need not wait for.
    connect(this, &QComboBox::activated, this, &TPlacesBox::ChoosePlace);
}

QString TPlacesBox::CurrentRoot() const
{
    const int index = currentIndex();
    return index >= 0 && index < static_cast<int>(FPlaces.size()) ? FPlaces[index].Root : QString();
}

void TPlacesBox::SetPlaceSource(PlaceSource source)
{
    FSource = std::move(source);
    Refresh();
}

void TPlacesBox::Refresh()
{
    Fill(FSource(), CurrentRoot());
}

void TPlacesBox::Fill(const std::vector<TPlace>& places, const QString& current)
{
    FPlaces = places;
    clear();
    for (const TPlace& place : FPlaces) {
        addItem(place.Label, place.Root);
        setItemData(count() - 1, place.Root, Qt::ToolTipRole);
    }
    // A place that went away (a card taken out) gives way to the one that holds it.
    int index = findData(current);
    if (index < 0)
        index = findData(PlaceFor(FPlaces, current));
    setCurrentIndex(index);
}

bool TPlacesBox::ShowFolder(const QString& folder)
{
    const QString path = QDir::cleanPath(folder);
    const std::vector<TPlace> places = FSource();
    Fill(places, PlaceFor(places, path));
    FTree->SetRoot(CurrentRoot());
    return FTree->SelectFolder(path);
}

void TPlacesBox::ChoosePlace(int index)
{
    if (index < 0 || index >= static_cast<int>(FPlaces.size()))
        return;
    const QString root = FPlaces[index].Root;
    FTree->SetRoot(root);
    FTree->SelectFolder(root);
}

void TPlacesBox::showPopup()
{
    // Cards put in or taken out while the dialog is open show up here.
    Refresh();
    QComboBox::showPopup();
}
