#include "platform/qt/EventLoopWait.h"

#include <QEventLoop>
#include <QTimer>

namespace vedodud::qt {

bool WaitHandlingEvents(WorkerSignal& answer, WorkerClock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - WorkerClock::now());
    if (left.count() <= 0) return answer.Ready();
    QEventLoop loop;
    QTimer timeUp;
    timeUp.setSingleShot(true);
    timeUp.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeUp, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeUp.start(left);
    // Posted from the worker's thread; an event still queued when the loop goes is dropped with it.
    answer.OnReady([&loop] {
        QMetaObject::invokeMethod(
            &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    answer.OnReady(nullptr);
    return answer.Ready();
}

}  // namespace vedodud::qt
