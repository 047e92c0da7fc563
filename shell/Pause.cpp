#include "shell/Pause.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>

#ifdef Q_OS_LINUX
#include <sys/timerfd.h>
#include <unistd.h>
#endif

namespace {
std::atomic<bool> s_ending{false};

// Monotonic nanoseconds (the clock QElapsedTimer reads).
int64_t nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec;
}

timespec toTimespec(int64_t ns)
{
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    ts.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    return ts;
}

// Sleeps, without handling events, until the monotonic clock reads deadlineNs.
void sleepUntil(int64_t deadlineNs)
{
    const timespec until = toTimespec(deadlineNs);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}

// Ends `loop` when the monotonic clock passes deadlineNs. Qt's timers count whole milliseconds and
// round the wait up, so a pause timed by one ends up to two milliseconds late; a timer descriptor
// armed with the exact deadline wakes the event loop's poll the moment it passes.
class DeadlineWake
{
  public:
    DeadlineWake(int64_t deadlineNs, QEventLoop &loop, QEventLoop::ProcessEventsFlags flags)
    {
        Q_UNUSED(flags);
#ifdef Q_OS_LINUX
        // A loop that leaves descriptors alone would never see this one: it gets the timer.
        if (!(flags & QEventLoop::ExcludeSocketNotifiers))
            m_fd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
        if (m_fd >= 0) {
            itimerspec when{};
            when.it_value = toTimespec(deadlineNs);
            if (timerfd_settime(m_fd, TFD_TIMER_ABSTIME, &when, nullptr) == 0) {
                m_notifier = new QSocketNotifier(static_cast<qintptr>(m_fd), QSocketNotifier::Read);
                // Read and switched off at once: a pause nested inside this one would otherwise see
                // the descriptor ready on every round of its own loop until it ends.
                QObject::connect(m_notifier, &QSocketNotifier::activated, &loop, [this, &loop] {
                    uint64_t expirations = 0;
                    [[maybe_unused]] const ssize_t got = ::read(m_fd, &expirations, sizeof expirations);
                    m_notifier->setEnabled(false);
                    loop.quit();
                });
                return;
            }
            ::close(m_fd);
            m_fd = -1;
        }
#endif
        // Elsewhere: a precise timer, rounded up so that it never ends the wait early.
        const int64_t left = deadlineNs - nowNs();
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        m_timer.start(static_cast<int>(left > 0 ? (left + 999'999) / 1'000'000 : 0));
    }
    ~DeadlineWake()
    {
        delete m_notifier; // before its descriptor goes
#ifdef Q_OS_LINUX
        if (m_fd >= 0)
            ::close(m_fd);
#endif
    }
    DeadlineWake(const DeadlineWake &) = delete;
    DeadlineWake &operator=(const DeadlineWake &) = delete;

  private:
    int m_fd = -1;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_timer;
};
} // namespace

bool applicationEnding()
{
    return s_ending.load();
}

void pauseWithEvents(int ms, QEventLoop::ProcessEventsFlags flags)
{
    if (ms <= 0)
        return;
    // The deadline in nanoseconds: counting in whole milliseconds would add up to one to each pause.
    const int64_t deadline = nowNs() + int64_t(ms) * 1'000'000;
    // Pending events are handled at least once, even if the deadline has already passed.
    QCoreApplication::processEvents(flags);
    while (nowNs() < deadline) {
        QEventLoop loop;
        const DeadlineWake wake(deadline, loop, flags);
        // Once the application has been told to quit, every nested loop returns at once with -1;
        // looping on that would spin a core until the operation ends.
        const bool quitting = loop.exec(flags) < 0;
        s_ending = quitting;
        if (quitting) {
            // No events any more, but the pause keeps its length (a line on the wire still gets its
            // gap) without using the processor.
            sleepUntil(deadline);
            return;
        }
    }
}
