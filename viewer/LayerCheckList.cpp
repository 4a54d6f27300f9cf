#include "viewer/LayerCheckList.h"

#include "viewer/LayerListModel.h"

TLayerCheckList::TLayerCheckList(QWidget* parent) : QListView(parent)
{
    setObjectName(QStringLiteral("LayersList"));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

int TLayerCheckList::SelectedRow() const
{
    if (!selectionModel()) return -1;
    const QModelIndexList selected = selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.first().row();
}

QString TLayerCheckList::RowPath(int row) const
{
    if (!model()) return QString();
    return model()->index(row, 0).data(TLayerListModel::kPathRole).toString();
}

int TLayerCheckList::RowCount() const
{
    return model() ? model()->rowCount() : 0;
}

void TLayerCheckList::SelectRow(int row)
{
    if (!model() || !selectionModel()) return;
    const QModelIndex index = model()->index(row, 0);
    if (!index.isValid()) {
        selectionModel()->clear();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
}
