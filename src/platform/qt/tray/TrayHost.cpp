#include "platform/qt/tray/TrayHost.h"

#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>

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

}  // namespace

DesktopTrayHost::DesktopTrayHost() : bus_(QDBusConnection::sessionBus()) {
    sinceWatcherSeen_.start();
    if (bus_.isConnected()) {
        watcherWatch_ = std::make_unique<QDBusServiceWatcher>(kWatcherService, bus_,
                                                              QDBusServiceWatcher::WatchForOwnerChange);
        QObject::connect(
            watcherWatch_.get(), &QDBusServiceWatcher::serviceOwnerChanged, watcherWatch_.get(),
            [this](const QString&, const QString&, const QString& owner) { WatcherOwnerChanged(owner); });
        // A host that comes or goes may leave the watcher itself: ask again at once, whatever the signal.
        hostsChanged_.setSingleShot(true);
        hostsChanged_.setInterval(0);
        QObject::connect(&hostsChanged_, &QTimer::timeout, &hostsChanged_,
                         [this] { AskWhetherAHostIsRegistered(); });
        for (const char* signal : {"StatusNotifierHostRegistered", "StatusNotifierHostUnregistered"})
            bus_.connect(kWatcherService, kWatcherPath, kWatcherService, QLatin1String(signal),
                         &hostsChanged_, SLOT(start()));
        const QDBusMessage ask = DaemonCall(QStringLiteral("GetNameOwner"), {kWatcherService});
        OnReply(bus_.asyncCall(ask), &context_, [this](const QDBusMessage& reply) {
            if (watcherPresent_ != Answer::Pending) return;  // a change of owner came first
            const bool owned = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty();
            WatcherOwnerChanged(owned ? reply.arguments().constFirst().toString() : QString());
        });
    } else {
        watcherPresent_ = hostRegistered_ = Answer::No;
    }
    if (QGuiApplication::platformName() == QStringLiteral("xcb"))
        xembedWatch_ = std::make_unique<XEmbedTrayWatch>(
            [this] {
                LookForXEmbedTray();
                Changed();
            },
            [this] { XEmbedTrayWent(); });
    LookForXEmbedTray();
    poll_.setInterval(kPollMs);
    QObject::connect(&poll_, &QTimer::timeout, &poll_, [this] { AskWhetherAHostIsRegistered(); });
    ChangedWhenAnswersAreDue();
}

void DesktopTrayHost::ChangedWhenAnswersAreDue() {
    // Whatever is still unanswered by then no longer holds the icon back.
    QTimer::singleShot(kAnswerWaitMs, &context_, [this] { Changed(); });
}

DesktopTrayHost::~DesktopTrayHost() = default;

void DesktopTrayHost::WatcherOwnerChanged(const QString& owner) {
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

void DesktopTrayHost::AskWhetherAHostIsRegistered() {
    if (hostQuestionOut_) {
        askAgain_ = true;  // the answer on its way may be older than what led to this question
        return;
    }
    hostQuestionOut_ = true;
    askAgain_ = false;
    QDBusMessage get = WatcherCall(QStringLiteral("Get"), QStringLiteral("org.freedesktop.DBus.Properties"));
    get << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    const std::uint64_t generation = statusNotifierGeneration_;
    OnReply(
        bus_.asyncCall(get, kQuestionTimeoutMs), &context_, [this, generation](const QDBusMessage& reply) {
            hostQuestionOut_ = false;
            if (askAgain_) hostsChanged_.start();
            if (generation != statusNotifierGeneration_) return;  // asked of a watcher that has gone
            Answer answer = hostRegistered_;
            if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
                answer = reply.arguments().constFirst().value<QDBusVariant>().variant().toBool() ? Answer::Yes
                                                                                                 : Answer::No;
            } else if (reply.type() == QDBusMessage::ErrorMessage &&
                       reply.errorName() != QStringLiteral("org.freedesktop.DBus.Error.NoReply")) {
                answer = Answer::No;  // a watcher that refuses the question shows nothing we know of
            }
            if (answer == hostRegistered_) return;
            hostRegistered_ = answer;
            PollWhileAHostIsAwaited();
            Changed();
        });
}

void DesktopTrayHost::PollWhileAHostIsAwaited() {
    // Hosts register with the watcher, which may not say so: ask until one is there.
    const bool awaited = watcherPresent_ == Answer::Yes && hostRegistered_ != Answer::Yes;
    if (awaited && !poll_.isActive()) poll_.start();
    if (!awaited) poll_.stop();
}

void DesktopTrayHost::LookForXEmbedTray() {
    const std::uint32_t tray = XEmbedTrayWindow();
    if (xembedWatch_) xembedWatch_->Follow(tray);
    if (tray == xembedTray_) return;
    xembedTray_ = tray;
    ++xembedGeneration_;
}

void DesktopTrayHost::XEmbedTrayWent() {
    // Icons docked in it are gone with it, even if the next tray's window has the same number.
    xembedTray_ = 0;
    ++xembedGeneration_;
    LookForXEmbedTray();
    Changed();
}

TrayKind ChooseItemKind(const TrayFacts& facts) {
    using Answer = TrayFacts::Answer;
    if (facts.watcher == Answer::Pending && !facts.answersDue) return TrayKind::Undecided;
    const bool watcher = facts.watcher == Answer::Yes;
    if (watcher && facts.hostRegistered == Answer::Yes) return TrayKind::StatusNotifier;
    if (facts.xembedTray) {
        if (watcher && facts.hostRegistered == Answer::Pending && !facts.answersDue)
            return TrayKind::Undecided;
        return TrayKind::XEmbed;
    }
    // Registered even before any host is there: a host that comes later reads it, menu and all.
    if (watcher) return TrayKind::StatusNotifier;
    return TrayKind::None;
}

bool ItemVisible(const TrayFacts& facts) {
    const TrayKind kind = ChooseItemKind(facts);
    return kind == TrayKind::XEmbed ||
           (kind == TrayKind::StatusNotifier && facts.hostRegistered == TrayFacts::Answer::Yes);
}

TrayFacts DesktopTrayHost::Facts() const {
    return {watcherPresent_, hostRegistered_, xembedTray_ != 0, sinceWatcherSeen_.elapsed() >= kAnswerWaitMs};
}

TrayKind DesktopTrayHost::ItemKind() {
    return ChooseItemKind(Facts());
}

bool DesktopTrayHost::Available() {
    return ItemVisible(Facts());
}

std::uint64_t DesktopTrayHost::Generation(TrayKind kind) {
    if (kind == TrayKind::XEmbed) return xembedGeneration_;
    if (kind == TrayKind::StatusNotifier) return statusNotifierGeneration_;
    return 0;
}

std::unique_ptr<TrayItem, RetireItem> DesktopTrayHost::CreateItem(TrayKind kind) {
    if (kind == TrayKind::XEmbed && xembedTray_ != 0)
        return std::unique_ptr<TrayItem, RetireItem>(new XEmbedTrayItem(xembedTray_));
    if (kind == TrayKind::StatusNotifier && bus_.isConnected()) {
        std::unique_ptr<TrayItem, RetireItem> item(new StatusNotifierItem());
        if (static_cast<StatusNotifierItem&>(*item).Connected()) return item;
    }
    return nullptr;
}

}  // namespace vedodud::qt
