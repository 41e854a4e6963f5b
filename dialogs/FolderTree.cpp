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
        top_ = top;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (!top_.isValid() || parent != top_.parent())
            return true;
        return sourceModel()->index(row, 0, parent) == top_;
    }

private:
    QPersistentModelIndex top_;
};

TFolderTree::TFolderTree(QWidget* parent) : QTreeView(parent)
{
    model_ = new QFileSystemModel(this);
    model_->setReadOnly(true);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    filter_ = new TPlaceFilter(this);
    filter_->setSourceModel(model_);
    setModel(filter_);
    for (int column = 1; column < model_->columnCount(); ++column)
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
    root_ = QDir::cleanPath(root);
    model_->setRootPath(root_);
    const QModelIndex top = model_->index(root_);
    filter_->SetTop(top);
    setRootIndex(filter_->mapFromSource(top.parent()));
    expand(filter_->mapFromSource(top));
}

QString TFolderTree::FolderAt(const QModelIndex& index) const
{
    return index.isValid() ? model_->filePath(filter_->mapToSource(index)) : QString();
}

QString TFolderTree::CurrentFolder() const
{
    return FolderAt(currentIndex());
}

bool TFolderTree::SelectFolder(const QString& folder)
{
    const QString path = QDir::cleanPath(folder);
    if (!IsUnder(path, root_))
        return false;
    QModelIndex index = model_->index(path);
    if (!index.isValid() && !(model_->filter() & QDir::Hidden)) {
        // The folder lies under a hidden one: show hidden folders rather than lose the place.
        model_->setFilter(model_->filter() | QDir::Hidden);
        index = model_->index(path);
    }
    const QModelIndex shown = filter_->mapFromSource(index);
    if (!shown.isValid())
        return false;
    for (QModelIndex up = shown.parent(); up.isValid(); up = up.parent())
        expand(up);
    setCurrentIndex(shown);
    scrollTo(shown);
    return true;
}
