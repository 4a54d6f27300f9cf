#include "viewer/ABOUT.h"

#include <QDialogButtonBox>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/ProgramOptions.h"

QPixmap ProgramIcon(int size)
{
    QPixmap icon(size, size);
    icon.fill(Qt::transparent);
    QPainter painter(&icon);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn on a grid of 32; other sizes scale the same drawing.
    painter.scale(size / 32.0, size / 32.0);
    painter.setPen(QPen(QColor(60, 60, 60), 1));
    painter.setBrush(QColor(150, 190, 98));
    painter.drawRect(2, 4, 27, 23);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(196, 150, 84));
    painter.drawEllipse(QPoint(19, 13), 7, 5);
    painter.setBrush(QColor(250, 250, 250));
    painter.drawEllipse(QPoint(20, 12), 2, 2);
    painter.setPen(QPen(QColor(40, 90, 200), 2));
    painter.drawLine(4, 24, 13, 17);
    painter.drawLine(13, 17, 16, 25);
    return icon;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));

    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon());
    auto* title = new QLabel(QStringLiteral("Quillmere Viewer"), this);
    title->setObjectName(QStringLiteral("ProductName"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    auto* version = new QLabel(QStringLiteral("Version ") + ProgramVersion(), this);
    version->setObjectName(QStringLiteral("Version"));
    auto* authorsTitle = new QLabel(QStringLiteral("Authors:"), this);
    auto* authors = new QLabel(QStringLiteral("The Quillmere developers"), this);

    auto* text = new QVBoxLayout;
    text->addWidget(title);
    text->addWidget(version);
    text->addSpacing(8);
    text->addWidget(authorsTitle);
    text->addWidget(authors);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(text, 1);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(buttons, 0, Qt::AlignCenter);
}
