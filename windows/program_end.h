#pragma once

#include <functional>

class QObject;

// SIGTERM, SIGINT and SIGHUP (a log-out, a Ctrl+C, a kill) close the window as the user would,
// from the event loop: `close` runs there, never inside the signal handler.
void closeOnSignals(QObject* owner, std::function<void()> close);

// When the display connection breaks, Qt calls exit(), whose static destructors would tear
// libraries down under the sound and speech threads. Instead `silence` runs, one line goes to
// standard error and the process ends at once with status 1. Call once the application exists.
void endAtOnceOnDisplayLoss(std::function<void()> silence);

// Once the program has decided to end, it ends within this bound even if some library call
// should still hold it: the process exits with `status` and one line on standard error.
void endWithinBound(int status);
