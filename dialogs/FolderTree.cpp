#include "dialogs/FolderTree.h"

#include "dialogs/Places.h"

#include <QFileSystemModel>
#include <QPersistentModelIndex>
#include <QSortFilterProxyModel>

// Hides the root's siblings, so the level above the root shows the root alone.
class TPlaceFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void SetTop(const QModelIndex& top)
    {
        FTop = top;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (!FTop.isValid() || parent != FTop.parent())
            return true;
        return sourceModel()->index(row, 0, parent) == FTop;
    }

private:
    QPersistentModelIndex FTop;
};

TFolderTree::TFolderTree(QWidget* parent) : QTreeView(parent)
{
    FModel = new QFileSystemModel(this);
    FModel->setReadOnly(true);
    FModel->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    FFilter = new TPlaceFilter(this);
    FFilter->setSourceModel(FModel);
    setModel(FFilter);
    for (int column = 1; column < FModel->columnCount(); ++column)
        hideColumn(column);
    setHeaderHidden(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    SetRoot(QDir::rootPath());
}

void TFolderTree::SetRoot(const QString& root)
{
    // No current folder on the way: hiding the old one would otherwise make a neighbour current
    // for a moment, and a dialog would act on that folder.
    setCurrentIndex(QModelIndex());
    FRoot = QDir::cleanPath(root);
    FModel->setRootPath(FRoot);
    const QModelIndex top = FModel->index(FRoot);
    FFilter->SetTop(top);
    setRootIndex(FFilter->mapFromSource(top.parent()));
    expand(FFilter->mapFromSource(top));
}

QString TFolderTree::FolderAt(const QModelIndex& index) const
{
    return index.isValid() ? FModel->filePath(FFilter->mapToSource(index)) : QString();
}

QString TFolderTree::CurrentFolder() const
{
    return FolderAt(currentIndex());
}

bool TFolderTree::SelectFolder(const QString& folder)
{
    const QString path = QDir::cleanPath(folder);
    if (!IsUnder(path, FRoot))
        return false;
    QModelIndex index = FModel->index(path);
    if (!index.isValid() && !(FModel->filter() & QDir::Hidden)) {
        // The folder lies under a hidden one: show hidden folders rather than lose the place.
        FModel->setFilter(FModel->filter() | QDir::Hidden);
        index = FModel->index(path);
    }
    const QModelIndex shown = FFilter->mapFromSource(index);
    if (!shown.isValid())
        return false;
    for (QModelIndex up = shown.parent(); up.isValid(); up = up.parent())
        expand(up);
    setCurrentIndex(shown);
    scrollTo(shown);
    return true;
}
