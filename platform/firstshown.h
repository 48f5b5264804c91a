#pragma once

// When the environment variable DUPLIVA_EXIT_WHEN_SHOWN is set, the program prints "shown"
// and its peak memory so far in KiB, and exits at once, as soon as its first window is on
// the screen. The start-up benchmark times programs up to that moment. Call once the
// application exists.
void exitWhenFirstShownIfAsked();
