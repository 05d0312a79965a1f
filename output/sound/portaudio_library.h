#pragma once

// Starts PortAudio once per process, on first use, and reports on standard error (once) when it
// cannot start. Returns whether it is usable. Safe to call from any thread.
bool portAudioReady();
