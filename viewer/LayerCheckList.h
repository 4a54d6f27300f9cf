#pragma once
// The frame's layer check-list: a view of the document's layers (the model
// of TLayerListModel), one row a layer, showing the file name and checked
// while the layer is visible. Rows come and go with the model only.
#include <QListView>

class TLayerCheckList : public QListView {
    Q_OBJECT
public:
    explicit TLayerCheckList(QWidget* parent = nullptr);

    // -1 when no row is selected.
    int SelectedRow() const;
    // The full path of a row's layer; empty for a row that is not there.
    QString RowPath(int row) const;
    int RowCount() const;
    // Selects `row` and makes it current; -1 selects none.
    void SelectRow(int row);
};
