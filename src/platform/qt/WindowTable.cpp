#include "platform/qt/WindowTable.h"

#include <QMetaObject>
#include <cstdio>
#include <exception>

#include "platform/HandlerGuard.h"

namespace vedodud::qt {

namespace {
// Values that look like what they stand for, and never collide between the three kinds.
constexpr Long kProcedureStep = 0x10;
constexpr Long kWindowStep = 0x10;
constexpr Long kIconStep = 0x10;
}  // namespace

WindowTable::WindowTable() : context_(std::make_unique<QObject>()) {}

void WindowTable::ReportError(const std::string& message) {
    if (errorSink_) {
        errorSink_(message);
    } else {
        std::fprintf(stderr, "vedodud: %s\n", message.c_str());
    }
}

Long WindowTable::AddProcedure(WindowProcedure procedure) {
    const Long value = nextProcedure_;
    nextProcedure_ += kProcedureStep;
    procedures_[value] = std::make_shared<WindowProcedure>(std::move(procedure));
    return value;
}

Long WindowTable::CallProcedure(Long procedure, Long hWnd, Long msg, Long wParam, Long lParam) {
    const auto found = procedures_.find(procedure);
    if (found == procedures_.end() || !*found->second) return 0;
    // The procedure may add or replace procedures while it runs: hold on to this one.
    const std::shared_ptr<WindowProcedure> keep = found->second;
    return (*keep)(hWnd, msg, wParam, lParam);
}

Long WindowTable::AddWindow(QWidget* widget, WindowProcedure ownProcedure) {
    const Long hWnd = nextWindow_;
    nextWindow_ += kWindowStep;
    windows_[hWnd] = Window{widget, AddProcedure(std::move(ownProcedure))};
    return hWnd;
}

void WindowTable::RemoveWindow(Long hWnd) {
    const auto found = windows_.find(hWnd);
    if (found == windows_.end()) return;
    procedures_.erase(found->second.procedure);
    windows_.erase(found);
    for (const auto& listener : removalListeners_) listener(hWnd);
}

QWidget* WindowTable::Widget(Long hWnd) const {
    const auto found = windows_.find(hWnd);
    return found == windows_.end() ? nullptr : found->second.widget.data();
}

Long WindowTable::CurrentProcedure(Long hWnd) const {
    const auto found = windows_.find(hWnd);
    return found == windows_.end() ? 0 : found->second.procedure;
}

Long WindowTable::ReplaceProcedure(Long hWnd, Long procedure) {
    const auto found = windows_.find(hWnd);
    if (found == windows_.end() || !IsProcedure(procedure)) return 0;
    const Long previous = found->second.procedure;
    found->second.procedure = procedure;
    return previous;
}

Long WindowTable::Send(Long hWnd, Long msg, Long wParam, Long lParam) {
    const Long procedure = CurrentProcedure(hWnd);
    if (procedure == 0) return 0;
    return CallProcedure(procedure, hWnd, msg, wParam, lParam);
}

Long WindowTable::SendGuarded(Long hWnd, Long msg, Long wParam, Long lParam) noexcept {
    return RunReporting([this](const std::string& message) { ReportError(message); }, Long{0},
                        [&] { return Send(hWnd, msg, wParam, lParam); });
}

bool WindowTable::Post(Long hWnd, Long msg, Long wParam, Long lParam) {
    if (!IsWindow(hWnd)) return false;
    Later([this, hWnd, msg, wParam, lParam] { SendGuarded(hWnd, msg, wParam, lParam); });
    return true;
}

void WindowTable::Later(std::function<void()> work) {
    QMetaObject::invokeMethod(context_.get(), std::move(work), Qt::QueuedConnection);
}

void WindowTable::SetHostMenu(Long hWnd, QMenu* menu) {
    if (menu) {
        hostMenus_[hWnd] = menu;
    } else {
        hostMenus_.erase(hWnd);
    }
}

QMenu* WindowTable::HostMenu(Long hWnd) const {
    const auto found = hostMenus_.find(hWnd);
    return found == hostMenus_.end() ? nullptr : found->second.data();
}

Long WindowTable::AddIcon(const QIcon& icon) {
    const Long handle = nextIcon_;
    nextIcon_ += kIconStep;
    icons_[handle] = icon;
    return handle;
}

QIcon WindowTable::Icon(Long handle) const {
    const auto found = icons_.find(handle);
    return found == icons_.end() ? QIcon() : found->second;
}

}  // namespace vedodud::qt
