#include "shell/Pause.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <atomic>

namespace {
std::atomic<bool> s_ending{false};
} // namespace

bool applicationEnding()
{
    return s_ending.load();
}

void pauseWithEvents(int ms, QEventLoop::ProcessEventsFlags flags)
{
    if (ms <= 0)
        return;
    QElapsedTimer clock; // monotonic: no wrap-around to worry about
    clock.start();
    // Pending events are handled at least once, even if the deadline has already passed.
    QCoreApplication::processEvents(flags);
    qint64 left = ms - clock.elapsed();
    while (left > 0) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        deadline.setTimerType(Qt::PreciseTimer);
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(static_cast<int>(left));
        // Once the application has been told to quit, every nested loop returns at once with -1;
        // looping on that would spin a core until the operation ends.
        const bool quitting = loop.exec(flags) < 0;
        s_ending = quitting;
        left = ms - clock.elapsed();
        if (quitting) {
            // No events any more, but the pause keeps its length (a line on the wire still gets its
            // gap) without using the processor.
            if (left > 0)
                QThread::msleep(static_cast<unsigned long>(left));
            return;
        }
    }
}
