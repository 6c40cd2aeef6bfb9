// The application icon is a 24-bit image with a 1-bit mask, and Qt's ICO reader drops the mask:
// every pixel comes back opaque, the transparent ones black. The icon is drawn so that no visible
// pixel is pure black, so those can be keyed out again.
#pragma once

#include <QImage>

namespace vedodud::qt {

inline QImage WithMaskedPixelsTransparent(const QImage& icon) {
    QImage image = icon.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(line[x]) != 0xff) return image;  // a reader that kept the mask
    }
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] & RGB_MASK) == 0) line[x] = qRgba(0, 0, 0, 0);
    }
    return image;
}

}  // namespace vedodud::qt
