#pragma once
// Work that blocks (a download) run beside a window that stays alive.

#include <functional>

// Runs `work` on a thread of its own while the calling (window) thread keeps handling every event
// but the user's input: windows repaint, timers fire and calls queued to the window thread (a
// caption update) arrive. Mouse and key input given meanwhile is dropped, never held back to act
// afterwards, so nothing the user does can start a second piece of work or change what the first
// one uses. Returns when the work has ended; `work` must end by itself (a download ends at its
// own time limit). An exception thrown by `work` is thrown again here. Called from any other thread, `work` simply runs.
void RunKeepingWindowsAlive(const std::function<void()>& work);
