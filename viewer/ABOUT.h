#pragma once
// The about box: the program's icon, title, version and authors. Made once
// at start and shown modally by the About command.
#include <QDialog>

class TAboutBox : public QDialog {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

// The program's icon: a small map sheet, drawn rather than loaded, `size`
// pixels square (the windows show it at 32; the desktop's icon theme takes
// it at more sizes).
QPixmap ProgramIcon(int size = 32);
