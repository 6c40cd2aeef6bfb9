#include "platform/qt/Rendering.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include "platform/RuntimeError.h"
#include "platform/qt/IconTransparency.h"
#include "platform/qt/SchemeColours.h"

namespace vedodud::qt {

int Pixels(int twips) {
    return (twips + kTwipsPerPixelAt96Dpi / 2) / kTwipsPerPixelAt96Dpi;
}

QRect PixelRect(int left, int top, int width, int height) {
    return QRect(Pixels(left), Pixels(top), Pixels(width), Pixels(height));
}

QColor ToQColor(Colour colour, const QPalette& scheme, QPalette::ColorGroup group) {
    if (!IsSystemColour(colour)) return FromColour(colour);
    const std::optional<QColor> system = SystemColour(SystemColourIndex(colour), scheme, group);
    if (!system)
        throw RuntimeError("Invalid property value: system colour " +
                           std::to_string(SystemColourIndex(colour)));
    return *system;
}

QString ToQString(const WString& text) {
    return QString::fromStdU16String(text);
}

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

namespace {

QString ResourcePath(ImageId image) {
    switch (image) {
        case ImageId::AppIcon:
            return QStringLiteral(":/vedodud/vedodud.ico");
        case ImageId::Logo:
            return QStringLiteral(":/vedodud/logo.gif");
        case ImageId::None:
            break;
    }
    return {};
}

}  // namespace

QIcon LoadIcon(ImageId image) {
    if (image == ImageId::None) return {};
    const QPixmap layoutIcon = QPixmap::fromImage(WithMaskedPixelsTransparent(LoadPicture(image).toImage()));
    QIcon icon(layoutIcon);
    if (image != ImageId::AppIcon) return icon;
    // The same mark drawn at the other sizes trays and task switchers ask for, so that none of
    // them shows the 32-pixel image scaled.
    // Filtered by hand: a name filter would load and run a regular expression engine, some 0.6 MB
    // of the program's memory, for this one listing.
    const QDir sizes(QStringLiteral(":/vedodud/icons"), QString(), QDir::Name, QDir::Files);
    for (const QString& name : sizes.entryList()) {
        if (!name.endsWith(QStringLiteral(".png"))) continue;
        QPixmap pixmap;
        if (!pixmap.load(sizes.filePath(name)))
            throw RuntimeError("Invalid picture: cannot read " + sizes.filePath(name).toStdString());
        if (pixmap.size() != layoutIcon.size()) icon.addPixmap(pixmap);
    }
    return icon;
}

QString PictureName(ImageId image) {
    const QString program = QGuiApplication::applicationDisplayName();
    return ToQString(vedodud::PictureName(
        image, std::u16string_view(reinterpret_cast<const char16_t*>(program.utf16()), program.size())));
}

QPixmap LoadPicture(ImageId image) {
    if (image == ImageId::None) return {};
    const QString path = ResourcePath(image);
    QPixmap pixmap;
    if (!pixmap.load(path)) throw RuntimeError("Invalid picture: cannot read " + path.toStdString());
    return pixmap;
}

}  // namespace vedodud::qt
