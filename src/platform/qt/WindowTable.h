// The window system's bookkeeping: window handles, procedure values and icon handles, and the
// delivery of messages through each window's current procedure.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Types.h"
#include "platform/WindowManager.h"

namespace vedodud::qt {

inline constexpr Long WM_DESTROY = 0x0002;

class WindowTable {
public:
    using ErrorSink = std::function<void(const std::string& message)>;
    using RemovalListener = std::function<void(Long hWnd)>;

    WindowTable();
    WindowTable(const WindowTable&) = delete;
    WindowTable& operator=(const WindowTable&) = delete;

    // An exception that leaves a procedure called from our own dispatch goes here, never into Qt.
    void SetErrorSink(ErrorSink sink) { errorSink_ = std::move(sink); }
    void ReportError(const std::string& message);

    Long AddProcedure(WindowProcedure procedure);
    bool IsProcedure(Long value) const { return procedures_.contains(value); }
    // Calls the procedure with that value; an unknown value answers 0.
    Long CallProcedure(Long procedure, Long hWnd, Long msg, Long wParam, Long lParam);

    // `ownProcedure` is the window's own procedure, the last link of its chain.
    Long AddWindow(QWidget* widget, WindowProcedure ownProcedure);
    void RemoveWindow(Long hWnd);
    bool IsWindow(Long hWnd) const { return windows_.contains(hWnd); }
    QWidget* Widget(Long hWnd) const;
    Long CurrentProcedure(Long hWnd) const;
    // Makes `procedure` the window's current one and returns the previous; 0 if either is unknown.
    Long ReplaceProcedure(Long hWnd, Long procedure);
    void OnWindowRemoved(RemovalListener listener) { removalListeners_.push_back(std::move(listener)); }

    // Through the window's current procedure, now; 0 for a window that does not exist.
    Long Send(Long hWnd, Long msg, Long wParam, Long lParam);
    // As Send, for calls made from Qt's own dispatch: a failure is reported, not thrown.
    Long SendGuarded(Long hWnd, Long msg, Long wParam, Long lParam) noexcept;
    // Queued; delivered later through the procedure current then, if the window still exists.
    bool Post(Long hWnd, Long msg, Long wParam, Long lParam);
    // Runs `work` from the event loop, later; dropped if this table is gone by then.
    void Later(std::function<void()> work);

    // While a tray host that shows menus itself asks for an icon's menu, a popup menu of the
    // icon's window fills `menu` for the host instead of opening on the screen. nullptr ends it.
    void SetHostMenu(Long hWnd, QMenu* menu);
    QMenu* HostMenu(Long hWnd) const;

    Long AddIcon(const QIcon& icon);
    QIcon Icon(Long handle) const;  // a null icon for an unknown handle

private:
    struct Window {
        QPointer<QWidget> widget;
        Long procedure = 0;
    };

    std::map<Long, std::shared_ptr<WindowProcedure>> procedures_;
    std::map<Long, Window> windows_;
    std::map<Long, QIcon> icons_;
    std::map<Long, QPointer<QMenu>> hostMenus_;
    std::vector<RemovalListener> removalListeners_;
    ErrorSink errorSink_;
    Long nextProcedure_ = 0x00401000;
    Long nextWindow_ = 0x00010010;
    Long nextIcon_ = 0x00200010;
    std::unique_ptr<QObject> context_;  // owns the queued work, so it dies with the table
};

}  // namespace vedodud::qt
