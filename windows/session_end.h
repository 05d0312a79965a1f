#pragma once

#include <QApplication>

#include <functional>

// Call first in main: an error that nothing handles, on any thread (memory running out, in
// practice), and until endAtOnceOnDisplayLoss a display Qt cannot open, are then one line on
// standard error and status 1 at once, never an abort with a core dump.
void endInOneLineOnFailure();

// Qt's event loop cannot unwind: an error escaping an event handler ends the program where it was
// thrown, as above, instead of passing through Qt's frames.
class Application final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) noexcept override {
        return QApplication::notify(receiver, event);
    }
};

// When the display connection breaks, Qt calls exit(), whose static destructors would tear
// libraries down under the sound and speech threads. Instead `silence` runs, one line goes to
// standard error and the process ends at once with status 1. Call once the window exists.
void endAtOnceOnDisplayLoss(std::function<void()> silence);

// SIGTERM, SIGINT and SIGHUP run `close` from the event loop, never inside the signal handler.
void closeOnSignals(QObject* owner, std::function<void()> close);

// Exits with `status` and one line on standard error shortly, even if a library call holds on.
void endWithinBound(int status);
