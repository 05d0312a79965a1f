#include "windows/program_end.h"

#include "output/report.h"

#include <QSocketNotifier>
#include <QString>
#include <QtGlobal>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <thread>

namespace {

int signalPipe[2] = {-1, -1};

void noteSignal(int) {
    const char byte = 1;
    // Async-signal-safe; a full pipe already holds a request to close.
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

QtMessageHandler forwardTo = nullptr;
std::function<void()> silenceAtDisplayLoss;

void watchForDisplayLoss(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
    // Qt's xcb and Wayland plugins say this just before they call exit(1).
    if (!message.startsWith("The X11 connection broke") &&
        !message.startsWith("The Wayland connection broke")) {
        forwardTo(type, context, message);
        return;
    }
    if (silenceAtDisplayLoss)
        silenceAtDisplayLoss();
    report("the connection to the display was lost (did the graphical session end?); quitting");
    std::_Exit(1);
}

} // namespace

void closeOnSignals(QObject* owner, std::function<void()> close) {
    if (pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [close = std::move(close)] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        close();
    });
    struct sigaction action {};
    action.sa_handler = noteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
}

void endAtOnceOnDisplayLoss(std::function<void()> silence) {
    silenceAtDisplayLoss = std::move(silence);
    forwardTo = qInstallMessageHandler(watchForDisplayLoss);
}

void endWithinBound(int status) {
    std::thread([status] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        report("ending without waiting any longer for sound or speech");
        std::_Exit(status);
    }).detach();
}
