#pragma once
// The map properties dialog: a bevelled frame with OK and Cancel; it holds
// no properties yet, and its result changes nothing.
#include <QDialog>

class TMapPropDlg : public QDialog {
    Q_OBJECT
public:
    explicit TMapPropDlg(QWidget* parent = nullptr);
};
