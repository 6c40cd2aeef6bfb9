// The system colour table read from the running palette, and captions kept legible on it.
#pragma once

#include <QColor>
#include <QObject>
#include <QPalette>
#include <functional>
#include <optional>

#include "platform/Types.h"

namespace vedodud::qt {

// Entry `index` of the system colour table, as the palette's role of the same meaning (window
// background is Base, window text Text, button face Button, ...); none for an index with no entry.
std::optional<QColor> SystemColour(unsigned index, const QPalette& scheme, QPalette::ColorGroup group);

// The groups whose text must read: those of a window with or without the focus. Disabled text
// is dimmed on purpose.
inline constexpr QPalette::ColorGroup kReadGroups[] = {QPalette::Active, QPalette::Inactive};

Colour ToColour(const QColor& colour);
QColor FromColour(Colour colour);

// Where the palette pairs a text role with its background below legible contrast (window text on
// window, text on base, button text on button), it gets black or white text instead; pairs that
// read are left as they are, to follow the scheme.
void MakeTextLegible(QPalette& palette);

// Calls back whenever the desktop's colour scheme (the application's palette) changes, for as long
// as its owner lives. Qt tells the application, not each top-level window.
class SchemeWatcher final : public QObject {
public:
    SchemeWatcher(QObject* owner, std::function<void()> changed);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> changed_;
};

}  // namespace vedodud::qt
