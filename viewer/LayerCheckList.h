#pragma once
// The frame's layer check-list: one row a layer, showing the file name,
// holding the full path and checked while the layer is visible. The frame
// keeps row i on layer i; the rows it makes and moves itself do not signal,
// so only the user's checks and selections reach its handlers.
#include <QListWidget>

class TLayerCheckList : public QListWidget {
    Q_OBJECT
public:
    explicit TLayerCheckList(QWidget* parent = nullptr);

    // -1 when no row is selected.
    int SelectedRow() const;
    // The full path of a row's layer; empty for a row that is not there.
    QString RowPath(int row) const;
    void InsertRow(int row, const QString& path, bool checked);
    // Moves a row with its check and selects it in its new place.
    void MoveRow(int row, int target);
    // Takes a row out; the selection of the others stays.
    void RemoveRow(int row);
    // The user's removal of a row: no row stays selected.
    void DeleteRow(int row);
    void ClearRows();
};
