#include "platform/qt/FallbackWindows.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include "platform/qt/QtFormWindow.h"

namespace vedodud::qt {

namespace {
// The window manager places and sizes a window as it maps it; moves before then are not the user's.
constexpr qint64 kPlacementMs = 1000;
}  // namespace

FallbackWindows::FallbackWindows() {
    qApp->installEventFilter(this);
}

FallbackWindows::~FallbackWindows() = default;

void FallbackWindows::ShowHidden(const std::vector<std::weak_ptr<FormState>>& forms) {
    for (const auto& weak : forms) {
        const auto state = weak.lock();
        if (!state || state->life != FormState::Life::Loaded || !state->widget || state->widget->isVisible())
            continue;
        ShowForm(*state);
        Shown shown{weak, {}, false};
        shown.since.start();
        shown_.push_back(shown);
    }
}

void FallbackWindows::TrayArrived() {
    for (const Shown& shown : shown_) {
        const auto state = shown.form.lock();
        if (!shown.used && state && state->life == FormState::Life::Loaded && state->widget &&
            state->widget->isVisible())
            HideIntoTray(*state);
    }
    shown_.clear();
}

bool FallbackWindows::eventFilter(QObject* watched, QEvent* event) {
    if (shown_.empty()) return false;
    const QEvent::Type type = event->type();
    const bool input = type == QEvent::KeyPress || type == QEvent::MouseButtonPress || type == QEvent::Wheel;
    const bool moved = type == QEvent::Move || type == QEvent::WindowStateChange;
    if (!input && !moved) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) return false;
    for (Shown& shown : shown_) {
        const auto state = shown.form.lock();
        if (!state || !state->widget) continue;
        if (input && widget->window() == state->widget) shown.used = true;
        if (moved && widget == state->widget && shown.since.elapsed() > kPlacementMs) shown.used = true;
    }
    return false;
}

}  // namespace vedodud::qt
