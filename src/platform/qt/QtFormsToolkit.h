// The forms toolkit on Qt Widgets: forms built from their layout, the message box and the event loop.
#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/FormsToolkit.h"
#include "platform/qt/FallbackWindows.h"
#include "platform/qt/WindowTable.h"
#include "platform/qt/tray/NotificationArea.h"

namespace vedodud::qt {

struct FormState;

class QtFormsToolkit final : public FormsToolkit {
public:
    struct Options {
        // Whether a notification area can show icons now; without one, forms never hide.
        std::function<bool()> trayAvailable;
        // Off in tests that check the outcome of an error, not the box that reports it.
        bool showErrorReports = true;
        // How long to wait for a notification area before showing the forms instead.
        int trayGraceMs = 0;
    };

    // How long the program waits for a panel that is still starting, at login, before it opens its
    // window: long enough for panels that start just after it, short enough not to look stuck.
    static constexpr int kTrayGraceMs = 5000;

    // A QApplication must exist for as long as the toolkit does.
    QtFormsToolkit(WindowTable& table, NotificationArea& area);
    QtFormsToolkit(WindowTable& table, Options options);
    ~QtFormsToolkit() override;

    void Start(const ProgramIdentity& identity) override;
    std::unique_ptr<FormWindow> CreateForm(const FormLayout& layout, FormEvents& events) override;
    void MsgBox(const WString& prompt, int buttons) override;
    int Run() override;
    void ReportFatalError(const std::string& message) override;

    bool TrayAvailable() const;
    // The notification area came, went or changed: windows follow it.
    void TrayChanged();
    int LoadedForms() const { return loadedForms_; }
    bool Failed() const { return failed_; }

    // For the forms: hands an event to the program unless a fatal error has ended it.
    void Deliver(const std::function<void()>& event) noexcept;
    void FormUnloaded();

private:
    void ShowFormsIfNoTray();

    WindowTable& table_;
    Options options_;
    std::string title_;
    bool started_ = false;
    bool running_ = false;
    bool failed_ = false;
    int loadedForms_ = 0;
    std::vector<std::weak_ptr<FormState>> forms_;
    bool trayWasAvailable_ = false;
    std::unique_ptr<FallbackWindows> fallback_;
    QObject graceContext_;  // ends a pending grace period along with the toolkit
};

}  // namespace vedodud::qt
