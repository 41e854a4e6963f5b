#pragma once
// The folder tree of both folder dialogs: folders only, rooted at one place, which is the
// tree's single top item so that the place itself can be chosen as well as its subfolders.
#include <QString>
#include <QTreeView>

class QFileSystemModel;
class TPlaceFilter;

class TFolderTree : public QTreeView {
    Q_OBJECT
public:
    explicit TFolderTree(QWidget* parent = nullptr);

    QFileSystemModel* Model() const { return FModel; }
    QString Root() const { return FRoot; }
    // Shows root as the top item, expanded, with no current folder: the caller then selects
    // one under it.
    void SetRoot(const QString& root);
    // The folder of an item of this view, and of the current item (empty when there is none).
    QString FolderAt(const QModelIndex& index) const;
    QString CurrentFolder() const;
    // Makes folder the current item, opening the items above it; false when the folder is not
    // under the root or does not exist.
    bool SelectFolder(const QString& folder);

private:
    QFileSystemModel* FModel;
    TPlaceFilter* FFilter;
    QString FRoot;
};
