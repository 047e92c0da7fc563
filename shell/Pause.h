#pragma once

#include <QEventLoop>

// Pauses for at least ms milliseconds while the event loop keeps running (timer ticks, clicks,
// repaints and reply decoding all happen inside the pause). Waits for events with a deadline
// instead of spinning a core. A pause of 0 returns at once without handling events. Once the
// application is ending (quit while an operation pauses) the pause sleeps instead: no events are
// handled then, and the processor stays idle.
// With ExcludeUserInputEvents, clicks and keys wait in the queue until a later pause or the event
// loop handles them (a request on the wire lets them in only after its pause).
void pauseWithEvents(int ms, QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);

// True when the last pause found the application told to quit; long operations stop at their next
// step.
bool applicationEnding();
