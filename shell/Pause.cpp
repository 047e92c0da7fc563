#include "shell/Pause.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

void pauseWithEvents(int ms)
{
    if (ms <= 0)
        return;
    QElapsedTimer clock; // monotonic: no wrap-around to worry about
    clock.start();
    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.setTimerType(Qt::PreciseTimer);
    QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
    // Pending events are handled at least once, even if the deadline has already passed.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qint64 left = ms - clock.elapsed();
    while (left > 0) {
        deadline.start(static_cast<int>(left));
        loop.exec();
        left = ms - clock.elapsed();
    }
}
