#pragma once

#include <functional>

class QObject;

// Whether the environment names somewhere to show windows: an X display, a Wayland display or a
// Qt platform of its own choosing.
bool graphicalSessionNamed();

// Takes Qt's messages over for the program's life; call before the application is made. Until
// endAtOnceOnDisplayLoss, Qt's abort on a display it cannot open becomes one clear line on
// standard error and an ordinary exit with status 1.
void takeOverQtMessages();

// When the display connection breaks, Qt calls exit(), whose static destructors would tear
// libraries down under the sound and speech threads. Instead `silence` runs, one line goes to
// standard error and the process ends at once with status 1. Call once the window exists.
void endAtOnceOnDisplayLoss(std::function<void()> silence);

// SIGTERM, SIGINT and SIGHUP (a log-out, a Ctrl+C, a kill) close the window as the user would,
// from the event loop: `close` runs there, never inside the signal handler.
void closeOnSignals(QObject* owner, std::function<void()> close);

// Once the program has decided to end, it ends within this bound even if some library call
// should still hold it: the process exits with `status` and one line on standard error.
void endWithinBound(int status);
