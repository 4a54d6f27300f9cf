#include "viewer/LayerCheckList.h"

#include <QSignalBlocker>
#include <memory>

#include "platform/FileNames.h"

namespace {

constexpr int kPathRole = Qt::UserRole;

} // namespace

TLayerCheckList::TLayerCheckList(QWidget* parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("LayersList"));
    setSelectionMode(QAbstractItemView::SingleSelection);
}

int TLayerCheckList::SelectedRow() const
{
    const QList<QListWidgetItem*> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

QString TLayerCheckList::RowPath(int row) const
{
    const QListWidgetItem* entry = item(row);
    return entry ? entry->data(kPathRole).toString() : QString();
}

void TLayerCheckList::InsertRow(int row, const QString& path, bool checked)
{
    auto entry = std::make_unique<QListWidgetItem>(QString::fromStdString(ExtractFileName(path.toStdString())));
    entry->setData(kPathRole, path);
    entry->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    entry->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    const QSignalBlocker blocker(this);
    insertItem(row, entry.release());
}

void TLayerCheckList::MoveRow(int row, int target)
{
    const QSignalBlocker blocker(this);
    QListWidgetItem* entry = takeItem(row);
    insertItem(target, entry);
    setCurrentRow(target);
}

void TLayerCheckList::RemoveRow(int row)
{
    const QSignalBlocker blocker(this);
    std::unique_ptr<QListWidgetItem> entry(takeItem(row));
}

void TLayerCheckList::DeleteRow(int row)
{
    RemoveRow(row);
    const QSignalBlocker blocker(this);
    clearSelection();
    setCurrentRow(-1);
}

void TLayerCheckList::ClearRows()
{
    const QSignalBlocker blocker(this);
    clear();
}
