// Layout units and colours as Qt sees them.
#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QIcon>
#include <QPalette>
#include <QPixmap>
#include <QRect>
#include <QString>

#include "platform/FormLayout.h"

namespace vedodud::qt {

// Twips to device-independent pixels, so the window scales with the screen.
int Pixels(int twips);
QRect PixelRect(int left, int top, int width, int height);

// A plain &H00BBGGRR colour, or an entry of the system colour table as the scheme has it.
QColor ToQColor(Colour colour, const QPalette& scheme = QGuiApplication::palette(),
                QPalette::ColorGroup group = QPalette::Active);

// Throws, as ToQColor does, for a colour there is no painting: a layout fails when it is built,
// not later while it is painted.
inline void ValidateColour(Colour colour) {
    ToQColor(colour);
}

QString ToQString(const WString& text);
QString ToQString(std::string_view text);

// The images the program ships inside its executable.
QIcon LoadIcon(ImageId image);
QPixmap LoadPicture(ImageId image);
// What a picture shows, for those who cannot see it.
QString PictureName(ImageId image);

}  // namespace vedodud::qt
