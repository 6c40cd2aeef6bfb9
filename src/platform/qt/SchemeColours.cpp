#include "platform/qt/SchemeColours.h"

#include <QCoreApplication>
#include <QEvent>
#include <array>

#include "platform/common/LegibleColours.h"

namespace vedodud::qt {
namespace {

struct Entry {
    QPalette::ColorRole role;
    std::optional<QPalette::ColorGroup> group;  // a fixed group, where the entry names one
};

constexpr std::optional<QPalette::ColorGroup> kAny;
constexpr Entry kNoEntry{QPalette::NoRole, kAny};

// The Windows system colour table, entry by entry, as Qt's palette names the same things.
constexpr std::array<Entry, 31> kTable{{
    {QPalette::Button, kAny},                         // 0 scroll bar
    {QPalette::Dark, kAny},                           // 1 desktop
    {QPalette::Highlight, QPalette::Active},          // 2 active title bar
    {QPalette::Highlight, QPalette::Inactive},        // 3 inactive title bar
    {QPalette::Window, kAny},                         // 4 menu
    {QPalette::Base, kAny},                           // 5 window background
    {QPalette::Shadow, kAny},                         // 6 window frame
    {QPalette::WindowText, kAny},                     // 7 menu text
    {QPalette::Text, kAny},                           // 8 window text
    {QPalette::HighlightedText, QPalette::Active},    // 9 active title bar text
    {QPalette::Button, kAny},                         // 10 active border
    {QPalette::Button, kAny},                         // 11 inactive border
    {QPalette::Dark, kAny},                           // 12 application workspace
    {QPalette::Highlight, kAny},                      // 13 selection
    {QPalette::HighlightedText, kAny},                // 14 selected text
    {QPalette::Button, kAny},                         // 15 button face
    {QPalette::Dark, kAny},                           // 16 button shadow
    {QPalette::Text, QPalette::Disabled},             // 17 greyed text
    {QPalette::ButtonText, kAny},                     // 18 button text
    {QPalette::HighlightedText, QPalette::Inactive},  // 19 inactive title bar text
    {QPalette::Light, kAny},                          // 20 button highlight
    {QPalette::Shadow, kAny},                         // 21 dark 3-D shadow
    {QPalette::Midlight, kAny},                       // 22 3-D light
    {QPalette::ToolTipText, kAny},                    // 23 tooltip text
    {QPalette::ToolTipBase, kAny},                    // 24 tooltip background
    kNoEntry,                                         // 25 unused
    {QPalette::Link, kAny},                           // 26 hot-tracked item
    {QPalette::Highlight, QPalette::Active},          // 27 active title bar gradient
    {QPalette::Highlight, QPalette::Inactive},        // 28 inactive title bar gradient
    {QPalette::Highlight, kAny},                      // 29 highlighted menu item
    {QPalette::Window, kAny},                         // 30 menu bar
}};

struct TextPair {
    QPalette::ColorRole background;
    QPalette::ColorRole text;
};
constexpr TextPair kTextPairs[] = {{QPalette::Window, QPalette::WindowText},
                                   {QPalette::Base, QPalette::Text},
                                   {QPalette::Button, QPalette::ButtonText}};

}  // namespace

std::optional<QColor> SystemColour(unsigned index, const QPalette& scheme, QPalette::ColorGroup group) {
    if (index >= kTable.size() || kTable[index].role == QPalette::NoRole) return std::nullopt;
    const Entry& entry = kTable[index];
    return scheme.color(entry.group.value_or(group), entry.role);
}

Colour ToColour(const QColor& colour) {
    return static_cast<Colour>(colour.red()) | (static_cast<Colour>(colour.green()) << 8) |
           (static_cast<Colour>(colour.blue()) << 16);
}

QColor FromColour(Colour colour) {
    return QColor(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

void MakeTextLegible(QPalette& palette) {
    for (const QPalette::ColorGroup group : kReadGroups)
        for (const TextPair& pair : kTextPairs) {
            const Colour text = ToColour(palette.color(group, pair.text));
            const Colour legible = LegibleText(ToColour(palette.color(group, pair.background)), text);
            if (legible != text) palette.setColor(group, pair.text, FromColour(legible));
        }
}

SchemeWatcher::SchemeWatcher(QObject* owner, std::function<void()> changed)
    : QObject(owner), changed_(std::move(changed)) {
    QCoreApplication::instance()->installEventFilter(this);
}

bool SchemeWatcher::eventFilter(QObject* watched, QEvent* event) {
    if (watched == QCoreApplication::instance() && event->type() == QEvent::ApplicationPaletteChange)
        changed_();
    return false;
}

}  // namespace vedodud::qt
