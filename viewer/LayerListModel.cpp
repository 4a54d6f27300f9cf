#include "viewer/LayerListModel.h"

#include <algorithm>

#include "platform/FileNames.h"

TLayerListModel::TLayerListModel(TQMMapDoc& doc, QObject* parent)
    : QAbstractListModel(parent), Doc(doc), Rows(doc.LayerCount())
{
    Doc.AddObserver(*this);
}

TLayerListModel::~TLayerListModel()
{
    Doc.RemoveObserver(*this);
}

int TLayerListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Rows;
}

const Layer* TLayerListModel::LayerAt(int row) const
{
    return row >= 0 && row < Rows && row < Doc.LayerCount() ? Doc.Layers().Items(row).get() : nullptr;
}

QVariant TLayerListModel::data(const QModelIndex& index, int role) const
{
    const Layer* layer = index.isValid() ? LayerAt(index.row()) : nullptr;
    if (!layer) return {};
    switch (role) {
    case Qt::DisplayRole: return QString::fromStdString(ExtractFileName(layer->FileName));
    case Qt::CheckStateRole: return layer->Visible != 0 ? Qt::Checked : Qt::Unchecked;
    case kPathRole: return QString::fromStdString(layer->FileName);
    default: return {};
    }
}

bool TLayerListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !LayerAt(index.row())) return false;
    Doc.SetLayerVisible(index.row(), value.value<Qt::CheckState>() == Qt::Checked);
    return true;
}

Qt::ItemFlags TLayerListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

void TLayerListModel::LayersChanged(const TLayerChange& change)
{
    using TKind = TLayerChange::TKind;
    // Rows that would not come out at the document's count are read afresh.
    const int count = Doc.LayerCount();
    const bool fits = (change.Kind == TKind::Inserted && Rows + 1 == count) ||
                      (change.Kind == TKind::Removed && Rows - 1 == count) ||
                      (change.Kind != TKind::Inserted && change.Kind != TKind::Removed && Rows == count);
    const bool rowInside = change.Row >= 0 && change.Row < std::max(Rows, count) &&
                           (change.Kind != TKind::Moved || (change.Target >= 0 && change.Target < count));
    switch (!fits || (!rowInside && change.Kind != TKind::Restyled) ? TKind::Reset : change.Kind) {
    case TKind::Inserted:
        beginInsertRows(QModelIndex(), change.Row, change.Row);
        ++Rows;
        endInsertRows();
        break;
    case TKind::Removed:
        beginRemoveRows(QModelIndex(), change.Row, change.Row);
        --Rows;
        endRemoveRows();
        break;
    case TKind::Moved:
        // Qt names the row before which the moved one lands.
        beginMoveRows(QModelIndex(), change.Row, change.Row, QModelIndex(),
                      change.Target > change.Row ? change.Target + 1 : change.Target);
        endMoveRows();
        break;
    case TKind::Shown:
    case TKind::Restyled:
        if (change.Row >= 0 && change.Row < Rows)
            emit dataChanged(index(change.Row), index(change.Row));
        else if (Rows > 0)
            emit dataChanged(index(0), index(Rows - 1));
        break;
    case TKind::Reset:
        beginResetModel();
        Rows = Doc.LayerCount();
        endResetModel();
        break;
    }
    emit LayersUpdated(change);
}
