#include "viewer/LayerListModel.h"

#include <algorithm>

#include "platform/FileNames.h"

TLayerListModel::TLayerListModel(TQMMapDoc& doc, QObject* parent)
    : QAbstractListModel(parent), Doc(doc), Rows(DocumentLayers())
{
    Doc.AddObserver(*this);
}

TLayerListModel::~TLayerListModel()
{
    Doc.RemoveObserver(*this);
}

std::vector<PLayer> TLayerListModel::DocumentLayers() const
{
    std::vector<PLayer> layers;
    for (std::int32_t i = 0; i < Doc.LayerCount(); ++i) layers.push_back(Doc.Layers().Items(i));
    return layers;
}

int TLayerListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(Rows.size());
}

const Layer* TLayerListModel::LayerAt(int row) const
{
    return row >= 0 && static_cast<std::size_t>(row) < Rows.size() ? Rows[static_cast<std::size_t>(row)].get()
                                                                    : nullptr;
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
    const Layer* layer = index.isValid() ? LayerAt(index.row()) : nullptr;
    if (role != Qt::CheckStateRole || !layer) return false;
    // The row's own layer, wherever the document holds it.
    for (std::int32_t i = 0; i < Doc.LayerCount(); ++i)
        if (Doc.Layers().Items(i).get() == layer) {
            Doc.SetLayerVisible(i, value.value<Qt::CheckState>() == Qt::Checked);
            return true;
        }
    return false;
}

Qt::ItemFlags TLayerListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable | Qt::ItemNeverHasChildren;
}

void TLayerListModel::LayersChanged(const TLayerChange& change)
{
    TakeChange(change);
    emit LayersUpdated(change);
}

// The rows take the change the document made; a change that does not lead
// from the rows to the document's layers (it cannot, unless a change went
// unannounced) reads them afresh.
void TLayerListModel::TakeChange(const TLayerChange& change)
{
    using TKind = TLayerChange::TKind;
    const std::vector<PLayer> now = DocumentLayers();
    const auto row = static_cast<std::size_t>(std::max(change.Row, 0));
    const auto target = static_cast<std::size_t>(std::max(change.Target, 0));
    std::vector<PLayer> expected = Rows;
    bool fits = change.Row >= 0;
    switch (change.Kind) {
    case TKind::Inserted:
        fits = fits && row <= Rows.size() && row < now.size();
        if (fits) expected.insert(expected.begin() + static_cast<std::ptrdiff_t>(row), now[row]);
        break;
    case TKind::Removed:
        fits = fits && row < Rows.size();
        if (fits) expected.erase(expected.begin() + static_cast<std::ptrdiff_t>(row));
        break;
    case TKind::Moved:
        // The document swaps neighbours, which is a move by one place.
        fits = fits && change.Target >= 0 && row < Rows.size() && target < Rows.size() &&
               (target == row + 1 || row == target + 1);
        if (fits) std::swap(expected[row], expected[target]);
        break;
    case TKind::Shown:
    case TKind::Restyled: fits = true; break;
    case TKind::Reset: fits = false; break;
    }
    if (!fits || expected != now) {
        beginResetModel();
        Rows = now;
        endResetModel();
        return;
    }
    switch (change.Kind) {
    case TKind::Inserted:
        beginInsertRows(QModelIndex(), change.Row, change.Row);
        Rows = now;
        endInsertRows();
        break;
    case TKind::Removed:
        beginRemoveRows(QModelIndex(), change.Row, change.Row);
        Rows = now;
        endRemoveRows();
        break;
    case TKind::Moved:
        // Qt names the row before which the moved one lands.
        beginMoveRows(QModelIndex(), change.Row, change.Row, QModelIndex(),
                      change.Target > change.Row ? change.Target + 1 : change.Target);
        Rows = now;
        endMoveRows();
        break;
    default:
        if (change.Row >= 0 && row < Rows.size())
            emit dataChanged(index(change.Row), index(change.Row));
        else if (!Rows.empty())
            emit dataChanged(index(0), index(static_cast<int>(Rows.size()) - 1));
        break;
    }
}
