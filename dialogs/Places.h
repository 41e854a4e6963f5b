#pragma once
// The places box that stands where a drive box would: the home folder, its Pictures folder,
// the volumes a user mounts (cards, disks) and the root file system. Choosing a place roots
// the linked folder tree there.
#include <QComboBox>
#include <QString>
#include <functional>
#include <vector>

class TFolderTree;

struct TPlace {
    QString Root;   // a clean absolute folder
    QString Label;  // what the box shows
    bool operator==(const TPlace&) const = default;
};

// True when path is folder or lies under it (whole names only: /media/sd is not under /media/s).
bool IsUnder(const QString& path, const QString& folder);

// The box's entries: home, pictures (empty: none), each volume a user would pick (mounted under
// /media, /run/media or /mnt) by its label or else its folder's name, and "/" last. volumes are
// (mount root, label) pairs.
std::vector<TPlace> PlaceList(const QString& home, const QString& pictures,
                              const std::vector<std::pair<QString, QString>>& volumes);

// The deepest place that holds folder; "/" when none does.
QString PlaceFor(const std::vector<TPlace>& places, const QString& folder);

// The places of this machine now.
std::vector<TPlace> CurrentPlaces();

class TPlacesBox : public QComboBox {
    Q_OBJECT
public:
    using PlaceSource = std::function<std::vector<TPlace>()>;
    // source gives the places each time the box is opened; empty means CurrentPlaces.
    explicit TPlacesBox(TFolderTree* tree, QWidget* parent = nullptr, PlaceSource source = {});

    QString CurrentRoot() const;
    void SetPlaceSource(PlaceSource source);
    // Reads the places again, keeping the current one when it is still there.
    void Refresh();
    // Reads the places, roots the tree at the one that holds folder and selects folder in it;
    // false when the folder cannot be shown (it does not exist).
    bool ShowFolder(const QString& folder);
    // What choosing a place does: the tree is rooted there and the place becomes its folder.
    void ChoosePlace(int index);

    void showPopup() override;

private:
    void Fill(const std::vector<TPlace>& places, const QString& current);

    TFolderTree* FTree;
    PlaceSource FSource;
    std::vector<TPlace> FPlaces;
};
