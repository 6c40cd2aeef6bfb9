// Build tool: writes the application icon as a PNG for the desktop's icon theme.
#include <QCoreApplication>
#include <QImage>
#include <cstdio>

#include "platform/qt/IconTransparency.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);  // finds the image-format plugins
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s ICON.ico OUT.png\n", argv[0]);
        return 2;
    }
    const QImage image(QString::fromLocal8Bit(argv[1]));
    if (image.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    if (!vedodud::qt::WithMaskedPixelsTransparent(image).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
