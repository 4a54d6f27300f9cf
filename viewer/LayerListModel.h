#pragma once
// The layers of a map document as a list model: row i is layer i, showing
// the file name, checked while the layer is visible, holding the full path.
// A check set through the model goes to the document; the rows follow the
// document's announcements, so they never disagree with its layers.
#include <QAbstractListModel>
#include <vector>

#include "viewer/QMMapDoc.h"

class TLayerListModel : public QAbstractListModel, private TLayerObserver {
    Q_OBJECT
public:
    static constexpr int kPathRole = Qt::UserRole;

    explicit TLayerListModel(TQMMapDoc& doc, QObject* parent = nullptr);
    ~TLayerListModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // After the rows took a change of the document.
    void LayersUpdated(const TLayerChange& change);

private:
    void LayersChanged(const TLayerChange& change) override;
    void TakeChange(const TLayerChange& change);
    const Layer* LayerAt(int row) const;
    std::vector<PLayer> DocumentLayers() const;

    TQMMapDoc& Doc;
    // The layers of the rows as the views know them: the document announces
    // a change after making it, and the views must see the rows of before
    // until the model has told them what changed.
    std::vector<PLayer> Rows;
};
