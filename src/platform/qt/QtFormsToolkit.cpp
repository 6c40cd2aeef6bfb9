#include "platform/qt/QtFormsToolkit.h"

#include <QAccessible>
#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <cstdio>
#include <exception>

#include "app/Identity.h"
#include "platform/HandlerGuard.h"
#include "platform/RuntimeError.h"
#include "platform/qt/FormWidgets.h"
#include "platform/qt/QtFormWindow.h"
#include "platform/qt/Rendering.h"
#include "platform/qt/SchemeColours.h"

namespace vedodud::qt {

namespace {
constexpr int kFailureStatus = 1;
constexpr int kButtonsOkOnly = 0;

// Title bars centre the title and keep up to three buttons at an end: a box narrower than its
// title plus that room at both ends shows the title cut short. Sized in lines of the bold title
// text, so that it follows the font and the DPI.
void MakeRoomForTitle(QMessageBox& box) {
    constexpr int kButtonsAtAnEnd = 3;
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const QFontMetrics metrics(titleFont);
    const int atAnEnd = kButtonsAtAnEnd * metrics.height() * 3 / 2 + metrics.height();
    const int width = metrics.horizontalAdvance(box.windowTitle()) + 2 * atAnEnd;
    // QMessageBox fixes its own size from its layout whenever it is shown.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Fixed, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    } else {
        box.setMinimumWidth(width);
    }
}

// A box in the scheme's colours, but for texts the scheme leaves illegible, now and whenever the
// scheme changes while the box is open.
void KeepLegible(QMessageBox& box) {
    const auto paint = [&box] {
        QPalette palette;
        MakeTextLegible(palette);
        box.setPalette(palette);
    };
    paint();
    new SchemeWatcher(&box, paint);
}

// A box of plain text with the program's title and one OK button, in legible colours.
void PrepareBox(QMessageBox& box, const char* name, const std::string& title, const QString& text,
                QMessageBox::Icon icon) {
    box.setObjectName(QLatin1String(name));
    box.setWindowTitle(ToQString(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(icon);
    box.setStandardButtons(QMessageBox::Ok);
    KeepLegible(box);
}

}  // namespace

QtFormsToolkit::QtFormsToolkit(WindowTable& table, NotificationArea& area)
    : QtFormsToolkit(table, Options{[&area] { return area.Available(); }, true, kTrayGraceMs}) {}

QtFormsToolkit::QtFormsToolkit(WindowTable& table, Options options)
    : table_(table), options_(std::move(options)) {
    // Nothing to ask: as on a desktop without a notification area, windows stay reachable.
    if (!options_.trayAvailable) options_.trayAvailable = [] { return false; };
    table_.SetErrorSink([this](const std::string& message) { ReportFatalError(message); });
}

QtFormsToolkit::~QtFormsToolkit() {
    table_.SetErrorSink(nullptr);
}

void QtFormsToolkit::Start(const ProgramIdentity& identity) {
    if (!qApp) throw RuntimeError("The forms runtime needs a QApplication");
    title_ = std::string(identity.title);
    QApplication::setApplicationName(ToQString(identity.exeName).toLower());
    QApplication::setApplicationDisplayName(ToQString(identity.title));
    QApplication::setApplicationVersion(ToQString(identity.versionText));
    QApplication::setOrganizationName(ToQString(identity.companyName));
    QGuiApplication::setDesktopFileName(ToQString(identity.exeName).toLower());
    // The program lives on with every window hidden; it ends when its forms are unloaded.
    QApplication::setQuitOnLastWindowClosed(false);
    static const bool accessibleForms = (QAccessible::installFactory(&FormAccessible), true);
    (void)accessibleForms;
    started_ = true;
}

bool QtFormsToolkit::TrayAvailable() const {
    return options_.trayAvailable();
}

void QtFormsToolkit::TrayChanged() {
    const bool available = TrayAvailable();
    if (available == trayWasAvailable_) return;
    trayWasAvailable_ = available;
    if (!running_) return;  // Run decides for the start
    if (available) {
        if (fallback_) fallback_->TrayArrived();
    } else {
        // A panel that restarts is back within the grace period; one that does not may never be.
        QTimer::singleShot(options_.trayGraceMs, &graceContext_, [this] { ShowFormsIfNoTray(); });
    }
}

void QtFormsToolkit::ShowFormsIfNoTray() {
    // Nowhere to sit hidden: a window the user cannot see or close would strand the program.
    if (TrayAvailable() || failed_) return;
    if (!fallback_) fallback_ = std::make_unique<FallbackWindows>();
    fallback_->ShowHidden(forms_);
}

std::unique_ptr<FormWindow> QtFormsToolkit::CreateForm(const FormLayout& layout, FormEvents& events) {
    if (!started_) throw RuntimeError("The forms runtime has not been started");
    std::shared_ptr<FormState> state = BuildForm(*this, table_, layout, events, TrayAvailable());
    forms_.push_back(state);
    ++loadedForms_;
    return std::make_unique<QtFormWindow>(std::move(state));
}

void QtFormsToolkit::MsgBox(const WString& prompt, int buttons) {
    if (!started_) throw RuntimeError("The forms runtime has not been started");
    if (buttons != kButtonsOkOnly)
        throw RuntimeError("Invalid procedure call: unsupported message box buttons");
    // No parent: the box must come up even while every form is hidden.
    QMessageBox box;
    PrepareBox(box, "MsgBox", title_, ToQString(prompt), QMessageBox::NoIcon);
    // Some styles decorate standard buttons with an icon; the alert is plain text and OK.
    box.button(QMessageBox::Ok)->setIcon(QIcon());
    box.setWindowModality(Qt::ApplicationModal);
    MakeRoomForTitle(box);
    box.exec();
}

int QtFormsToolkit::Run() {
    if (failed_) return kFailureStatus;
    if (loadedForms_ == 0) return 0;
    running_ = true;
    trayWasAvailable_ = TrayAvailable();
    if (!trayWasAvailable_) {
        if (options_.trayGraceMs <= 0) {
            ShowFormsIfNoTray();
        } else {
            // A panel started along with the program, as at login, comes within the grace period.
            QTimer::singleShot(options_.trayGraceMs, &graceContext_, [this] { ShowFormsIfNoTray(); });
        }
    }
    const int status = QApplication::exec();
    running_ = false;
    if (failed_) return status != 0 ? status : kFailureStatus;
    return status;
}

void QtFormsToolkit::ReportFatalError(const std::string& message) {
    if (failed_) return;
    failed_ = true;
    std::fprintf(stderr, "%s: %s\n", title_.empty() ? "vedodud" : title_.c_str(), message.c_str());
    if (options_.showErrorReports && qApp) {
        QMessageBox box;
        PrepareBox(box, "ErrorReport", title_,
                   QStringLiteral("Run-time error: ") + QString::fromStdString(message) +
                       QStringLiteral("\n\nThe program will now end."),
                   QMessageBox::Critical);
        box.exec();
    }
    if (running_) QCoreApplication::exit(kFailureStatus);
}

void QtFormsToolkit::Deliver(const std::function<void()>& event) noexcept {
    if (failed_) return;
    RunGuarded(*this, event);
}

void QtFormsToolkit::FormUnloaded() {
    if (loadedForms_ > 0) --loadedForms_;
    if (loadedForms_ == 0 && running_ && !failed_) QCoreApplication::exit(0);
}

}  // namespace vedodud::qt
