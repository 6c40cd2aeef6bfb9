#include "platform/qt/tray/NotificationArea.h"

#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <string>

#include "platform/common/DebugLog.h"
#include "platform/qt/ContextBound.h"
#include "platform/qt/tray/BusCalls.h"
#include "platform/qt/tray/StatusNotifierItem.h"
#include "platform/qt/tray/XEmbedTrayItem.h"

namespace vedodud::qt {

namespace {

// How long an answer from the bus may take before an XEmbed tray beside it is used instead: a
// watcher that answers at all does so within milliseconds; one that hangs must not cost the icon.
constexpr int kAnswerWaitMs = 500;
// How often to ask a watcher whether a host has registered, while none has.
constexpr int kPollMs = 1000;
// A question about hosts is asked again on the next poll; one that hangs only blocks its successor.
constexpr int kQuestionTimeoutMs = 2000;
// An XEmbed tray that owns the selection but does not take the icon (hung, or broken) is asked
// again after a pause that doubles each time; after the last refusal it counts as no tray, so that
// the window is not left hidden with no icon to show it by, until another tray comes.
constexpr int kDockAttempts = 3;
constexpr int kFirstDockPauseMs = 1000;

// What a watcher's reply says of its hosts; `unknown` when it says nothing (the question timed out).
TrayFacts::Answer HostAnswer(const QDBusMessage& reply, TrayFacts::Answer unknown) {
    using Answer = TrayFacts::Answer;
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool() ? Answer::Yes
                                                                                       : Answer::No;
    // A watcher that refuses the question shows nothing we know of.
    if (reply.type() == QDBusMessage::ErrorMessage &&
        reply.errorName() != QStringLiteral("org.freedesktop.DBus.Error.NoReply"))
        return Answer::No;
    return unknown;
}

}  // namespace

DesktopNotificationArea::DesktopNotificationArea() : bus_(QDBusConnection::sessionBus()) {
    sinceWatcherSeen_.start();
    ConnectTimers();
    if (bus_.isConnected()) {
        WatchTheWatcher();
    } else {
        watcherPresent_ = hostRegistered_ = Answer::No;
    }
    WatchXEmbedTrays();
    ChangedWhenAnswersAreDue();
}

// On X11, trays that come and go are heard of without asking; the one there now is looked for.
void DesktopNotificationArea::WatchXEmbedTrays() {
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        xembedWatch_ = std::make_unique<XEmbedTrayWatch>(
            [this] {
                LookForXEmbedTray();
                Changed();
            },
            [this] { XEmbedTrayWent(); });
    LookForXEmbedTray();
}

void DesktopNotificationArea::ConnectTimers() {
    // A host that comes or goes may leave the watcher itself: ask again at once, whatever the signal.
    hostsChanged_.setSingleShot(true);
    hostsChanged_.setInterval(0);
    QObject::connect(&hostsChanged_, &QTimer::timeout, &hostsChanged_,
                     [this] { AskWhetherAHostIsRegistered(); });
    xembedPause_.setSingleShot(true);
    QObject::connect(&xembedPause_, &QTimer::timeout, &xembedPause_, [this] { Changed(); });
    poll_.setInterval(kPollMs);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { AskWhetherAHostIsRegistered(); });
}

// Who owns the watcher's name, now and whenever it changes, and the watcher's word that a host came
// or went.
void DesktopNotificationArea::WatchTheWatcher() {
    watcherWatch_ = std::make_unique<QDBusServiceWatcher>(kWatcherService, bus_,
                                                          QDBusServiceWatcher::WatchForOwnerChange);
    QObject::connect(
        watcherWatch_.get(), &QDBusServiceWatcher::serviceOwnerChanged, watcherWatch_.get(),
        [this](const QString&, const QString&, const QString& owner) { WatcherOwnerChanged(owner); });
    for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
        bus_.connect(kWatcherService, kWatcherPath, kWatcherService, QLatin1String(signal), &hostsChanged_,
                     SLOT(start()));
    const QDBusMessage ask = DaemonCall(QStringLiteral("GetNameOwner"), {kWatcherService});
    OnReply(bus_.asyncCall(ask), &context_, [this](const QDBusMessage& reply) {
        if (watcherPresent_ != Answer::Pending) return;  // a change of owner came first
        const bool owned = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
        WatcherOwnerChanged(owned ? reply.arguments().constFirst().toString() : QString());
    });
}

void DesktopNotificationArea::ChangedWhenAnswersAreDue() {
    // Whatever is still unanswered by then no longer holds the icon back.
    QTimer::singleShot(kAnswerWaitMs, &context_, [this] { Changed(); });
}

DesktopNotificationArea::~DesktopNotificationArea() = default;

void DesktopNotificationArea::WatcherOwnerChanged(const QString& owner) {
    watcherPresent_ = owner.isEmpty() ? Answer::No : Answer::Yes;
    hostRegistered_ = owner.isEmpty() ? Answer::No : Answer::Pending;
    ++statusNotifierGeneration_;  // items registered with an earlier watcher are forgotten
    sinceWatcherSeen_.restart();
    PollWhileAHostIsAwaited();
    if (watcherPresent_ == Answer::Yes) {
        AskWhetherAHostIsRegistered();
        ChangedWhenAnswersAreDue();
    }
    Changed();
}

void DesktopNotificationArea::AskWhetherAHostIsRegistered() {
    if (hostQuestionOut_) {
        askAgain_ = true;  // the answer on its way may be older than what led to this question
        return;
    }
    hostQuestionOut_ = true;
    askAgain_ = false;
    QDBusMessage get = WatcherCall(QStringLiteral("Get"), QStringLiteral("org.freedesktop.DBus.Properties"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    OnReply(bus_.asyncCall(get, kQuestionTimeoutMs), &context_,
            [this, generation = statusNotifierGeneration_](const QDBusMessage& reply) {
                HostQuestionAnswered(generation, reply);
            });
}

void DesktopNotificationArea::HostQuestionAnswered(std::uint64_t generation, const QDBusMessage& reply) {
    hostQuestionOut_ = false;
    if (askAgain_) hostsChanged_.start();
    if (generation != statusNotifierGeneration_) return;  // asked of a watcher that has gone
    const Answer answer = HostAnswer(reply, hostRegistered_);
    if (answer == hostRegistered_) return;
    hostRegistered_ = answer;
    PollWhileAHostIsAwaited();
    Changed();
}

void DesktopNotificationArea::PollWhileAHostIsAwaited() {
    // Hosts register with the watcher, which may not say so: ask until one is there.
    const bool awaited = watcherPresent_ == Answer::Yes && hostRegistered_ != Answer::Yes;
    if (awaited && !poll_.isActive()) poll_.start();
    if (!awaited) poll_.stop();
}

void DesktopNotificationArea::LookForXEmbedTray() {
    const std::uint32_t tray = XEmbedTrayWindow();
    if (xembedWatch_) xembedWatch_->Follow(tray);
    if (tray != xembedTray_) NewXEmbedTray(tray);
}

void DesktopNotificationArea::XEmbedTrayWent() {
    // Icons docked in it are gone with it, even if the next tray's window has the same number.
    NewXEmbedTray(0);
    LookForXEmbedTray();
    Changed();
}

void DesktopNotificationArea::NewXEmbedTray(std::uint32_t tray) {
    xembedTray_ = tray;
    ++xembedGeneration_;
    xembedRefusals_ = 0;
    xembedPause_.stop();
}

void DesktopNotificationArea::XEmbedDockAnswered(std::uint64_t generation, bool taken) {
    if (generation != xembedGeneration_ || xembedPause_.isActive()) return;
    if (taken) {
        xembedRefusals_ = 0;
        return;
    }
    ++xembedRefusals_;
    const bool givenUp = xembedRefusals_ >= kDockAttempts;
    const int pauseMs = givenUp ? 0 : kFirstDockPauseMs << (xembedRefusals_ - 1);
    if (DebugLogEnabled())
        DebugLog("tray", givenUp ? std::string("the XEmbed tray has not taken the icon; it is not used")
                                 : "the XEmbed tray has not taken the icon; asking again in " +
                                       std::to_string(pauseMs) + " ms");
    // Announced from the event loop: this runs inside the refused icon's own timer.
    xembedPause_.start(pauseMs);
}

TrayKind ChooseItemKind(const TrayFacts& facts) {
    using Answer = TrayFacts::Answer;
    if (facts.watcher == Answer::Pending && !facts.answersDue) return TrayKind::Undecided;
    const bool watcher = facts.watcher == Answer::Yes;
    if (watcher && facts.hostRegistered == Answer::Yes) return TrayKind::StatusNotifier;
    if (facts.xembedTray) {
        if (facts.xembedPaused || (watcher && facts.hostRegistered == Answer::Pending && !facts.answersDue))
            return TrayKind::Undecided;
        return TrayKind::XEmbed;
    }
    // Registered even before any host is there: a host that comes later reads it, menu and all.
    if (watcher) return TrayKind::StatusNotifier;
    return TrayKind::None;
}

bool ItemVisible(const TrayFacts& facts) {
    // Between two requests to dock, the tray is still where the icon will be.
    TrayFacts asking = facts;
    asking.xembedPaused = false;
    const TrayKind kind = ChooseItemKind(asking);
    return kind == TrayKind::XEmbed ||
           (kind == TrayKind::StatusNotifier && facts.hostRegistered == TrayFacts::Answer::Yes);
}

TrayFacts DesktopNotificationArea::Facts() const {
    const bool refusing = xembedRefusals_ >= kDockAttempts;
    return {watcherPresent_, hostRegistered_, xembedTray_ != 0 && !refusing,
            sinceWatcherSeen_.elapsed() >= kAnswerWaitMs, xembedPause_.isActive() && !refusing};
}

TrayKind DesktopNotificationArea::ItemKind() {
    return ChooseItemKind(Facts());
}

bool DesktopNotificationArea::Available() {
    return ItemVisible(Facts());
}

std::uint64_t DesktopNotificationArea::Generation(TrayKind kind) {
    if (kind == TrayKind::XEmbed) return xembedGeneration_;
    if (kind == TrayKind::StatusNotifier) return statusNotifierGeneration_;
    return 0;
}

std::unique_ptr<TrayItem, RetireItem> DesktopNotificationArea::CreateItem(TrayKind kind) {
    if (kind == TrayKind::XEmbed && xembedTray_ != 0) {
        auto answered = BoundTo(&context_, [this, generation = xembedGeneration_](bool taken) {
            XEmbedDockAnswered(generation, taken);
        });
        return std::unique_ptr<TrayItem, RetireItem>(new XEmbedTrayItem(xembedTray_, answered));
    }
    if (kind == TrayKind::StatusNotifier && bus_.isConnected()) {
        std::unique_ptr<TrayItem, RetireItem> item(new StatusNotifierItem());
        if (static_cast<StatusNotifierItem&>(*item).Connected()) return item;
    }
    return nullptr;
}

}  // namespace vedodud::qt
