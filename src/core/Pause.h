#pragma once

// Waits the given time in a nested event loop: timers, clicks and port input keep being
// handled meanwhile, and no processor time is burnt. Zero or less returns at once.
void PauseMs(int milliseconds);
