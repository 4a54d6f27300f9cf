// Writes the programs' icons into a hicolor icon theme folder for the
// desktop: the very icons the windows and about boxes show, at the sizes
// the theme offers. Run at build time:
//   ExportIcons <hicolor folder> <size>...
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <cstdio>
#include <cstdlib>

#include "viewer/ABOUT.h"
// Rastello shows this picture as it stands (RastelloIcon).
#include "resources/rastello.xpm"

namespace {

// Rastello's icon is drawn cell by cell at 32 pixels: whole multiples keep
// its cells square and sharp; other sizes are smoothed.
QImage ScaledCells(const QPixmap& icon, int size)
{
    const bool whole = size % icon.width() == 0;
    return icon.toImage().scaled(size, size, Qt::KeepAspectRatio,
                                 whole ? Qt::FastTransformation : Qt::SmoothTransformation);
}

bool Write(const QImage& image, const QString& hicolor, int size, const char* name)
{
    const QString folder = QStringLiteral("%1/%2x%2/apps").arg(hicolor).arg(size);
    const QString file = folder + "/" + QString::fromLatin1(name) + ".png";
    if (QDir().mkpath(folder) && image.convertToFormat(QImage::Format_ARGB32).save(file, "PNG")) return true;
    std::fprintf(stderr, "ExportIcons: cannot write %s\n", qPrintable(file));
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    // A build machine has no display; the icons need none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    if (argc < 3) {
        std::fputs("usage: ExportIcons <hicolor folder> <size>...\n", stderr);
        return 2;
    }
    const QString hicolor = QString::fromLocal8Bit(argv[1]);
    bool written = true;
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        if (size < 16 || size > 512) {
            std::fprintf(stderr, "ExportIcons: no icon size %s\n", argv[i]);
            return 2;
        }
        written = Write(ProgramIcon(size).toImage(), hicolor, size, "org.quillmere.Lumivar") && written;
        written = Write(ScaledCells(QPixmap(rastello_xpm), size), hicolor, size, "org.quillmere.Rastello") && written;
    }
    return written ? 0 : 1;
}
