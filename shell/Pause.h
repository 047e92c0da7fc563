#pragma once

// Pauses for at least ms milliseconds while the event loop keeps running (timer ticks, clicks,
// repaints and reply decoding all happen inside the pause). Waits for events with a deadline
// instead of spinning a core. A pause of 0 returns at once without handling events.
void pauseWithEvents(int ms);
