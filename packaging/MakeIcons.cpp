// Renders the program icon, as the program itself draws it, into the PNG
// files of an icon theme: tarvelo-mkicons OUTDIR NAME SIZE... writes
// OUTDIR/<SIZE>x<SIZE>/apps/NAME.png for each size. Run at build time; it
// draws into images only, so it needs no display and no platform plugin.

#include "platform/gui/Artwork.h"

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 4) {
        std::fputs("uso: tarvelo-mkicons CARTELLA NOME DIMENSIONE...\n", stderr);
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    for (int i = 3; i < argc; ++i) {
        bool ok = false;
        const int size = QString::fromLocal8Bit(argv[i]).toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            std::fprintf(stderr, "tarvelo-mkicons: dimensione non valida: %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(out).arg(size);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        const QImage image = artwork::programImage(size);
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "tarvelo-mkicons: impossibile scrivere %s\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
