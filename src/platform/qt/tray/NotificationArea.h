// Which notification area the desktop offers, seen without ever waiting on it: an XEmbed tray on
// X11, a StatusNotifierItem host on the session bus (most desktops now, and the only kind a Wayland
// session has), both, or neither yet.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/qt/tray/TrayItem.h"

class QDBusServiceWatcher;

namespace vedodud::qt {

class XEmbedTrayWatch;

enum class TrayKind { Undecided, None, XEmbed, StatusNotifier };

// What is known of the session's notification areas at one moment.
struct TrayFacts {
    enum class Answer { Pending, No, Yes };
    Answer watcher = Answer::Pending;         // a StatusNotifierWatcher owns its name
    Answer hostRegistered = Answer::Pending;  // it has a host that shows items
    bool xembedTray = false;                  // an XEmbed tray owns the screen's tray selection
    bool answersDue = false;                  // the bus has had its time to answer
    bool xembedPaused = false;                // that tray has not taken the icon: a pause before asking again
};

// The kind of item an icon becomes given those facts, and whether the user would see it.
TrayKind ChooseItemKind(const TrayFacts& facts);
bool ItemVisible(const TrayFacts& facts);

// The desktop's notification area as the program sees it: what kind of item to make there, and
// the items themselves. (In the StatusNotifierItem world the "host" is the panel that shows them.)
class NotificationArea {
public:
    virtual ~NotificationArea() = default;

    // What an icon shown now becomes. Undecided while the first answers are still on their way:
    // better to wait a moment than to dock in one kind of tray and move to the other.
    virtual TrayKind ItemKind() = 0;
    // Whether an icon shown now would appear somewhere the user sees it.
    virtual bool Available() = 0;
    // Changes whenever the tray of that kind is replaced: an item made for an earlier one is gone.
    virtual std::uint64_t Generation(TrayKind kind) = 0;
    virtual std::unique_ptr<TrayItem, RetireItem> CreateItem(TrayKind kind) = 0;

    // Called, from the event loop, whenever any answer above may have changed.
    void OnChange(std::function<void()> listener) { listeners_.push_back(std::move(listener)); }

protected:
    void Changed() {
        const auto listeners = listeners_;  // a listener may add another
        for (const auto& listener : listeners) listener();
    }

private:
    std::vector<std::function<void()>> listeners_;
};

// The session's real notification areas. Every question to the bus is asynchronous, so a panel
// that hangs costs nothing but its icon; the X server is asked directly, as it always answers.
class DesktopNotificationArea final : public NotificationArea {
public:
    DesktopNotificationArea();
    ~DesktopNotificationArea() override;

    TrayKind ItemKind() override;
    bool Available() override;
    std::uint64_t Generation(TrayKind kind) override;
    std::unique_ptr<TrayItem, RetireItem> CreateItem(TrayKind kind) override;

private:
    using Answer = TrayFacts::Answer;

    TrayFacts Facts() const;
    void ChangedWhenAnswersAreDue();
    void ConnectTimers();
    void WatchTheWatcher();
    void WatcherOwnerChanged(const QString& owner);
    void AskWhetherAHostIsRegistered();
    void HostQuestionAnswered(std::uint64_t generation, const QDBusMessage& reply);
    void WatchXEmbedTrays();
    void LookForXEmbedTray();
    void XEmbedTrayWent();
    void NewXEmbedTray(std::uint32_t tray);
    void XEmbedDockAnswered(std::uint64_t generation, bool taken);
    void PollWhileAHostIsAwaited();

    QDBusConnection bus_;
    std::unique_ptr<QDBusServiceWatcher> watcherWatch_;
    Answer watcherPresent_ = Answer::Pending;
    Answer hostRegistered_ = Answer::Pending;
    bool hostQuestionOut_ = false;
    bool askAgain_ = false;
    QElapsedTimer sinceWatcherSeen_;  // how long its answer has been awaited
    std::uint32_t xembedTray_ = 0;    // the window that owns the tray selection, or 0
    std::uint64_t xembedGeneration_ = 0;
    int xembedRefusals_ = 0;  // by that tray, in a row
    QTimer xembedPause_;      // before it is asked again
    std::uint64_t statusNotifierGeneration_ = 0;
    std::unique_ptr<XEmbedTrayWatch> xembedWatch_;
    QTimer poll_;          // only while a watcher has no host we know of
    QTimer hostsChanged_;  // started by the watcher's word that a host came or went
    QObject context_;      // of every callback: none runs once the host is gone
};

}  // namespace vedodud::qt
