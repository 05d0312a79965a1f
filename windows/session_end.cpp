#include "windows/session_end.h"

#include "output/report.h"

#include <QByteArrayView>
#include <QSocketNotifier>
#include <QStringList>

#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <thread>

namespace {

QtMessageHandler forwardTo = nullptr;
bool opening = true; // the application and its window are being made
bool displayUnreachable = false;
QStringList pluginMessages;
std::function<void()> silenceAtDisplayLoss;

void takeMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    // Qt's xcb and Wayland plugins say this just before they call exit(1).
    if (message.startsWith("The X11 connection broke") ||
        message.startsWith("The Wayland connection broke")) {
        if (silenceAtDisplayLoss)
            silenceAtDisplayLoss();
        report("the connection to the display was lost (did the graphical session end?); quitting");
        std::_Exit(1);
    }
    const QByteArrayView category(context.category);
    if (opening && category.startsWith("qt.qpa.xcb") &&
        message.contains("could not connect to display"))
        displayUnreachable = true;
    if (opening && type == QtFatalMsg) {
        // Held back until now: when the display is the trouble, the plugin's complaint misleads.
        if (!displayUnreachable)
            for (const QString& held : pluginMessages)
                std::fprintf(stderr, "%s\n", qPrintable(held));
        report(displayUnreachable
                   ? "cannot open a window on display \"" + qgetenv("DISPLAY").toStdString() +
                         "\"; is the graphical session running?"
                   : "cannot open a window: Qt found no platform to show it on (is "
                     "qt6-qpa-plugins installed?)");
        std::_Exit(1); // Qt would abort after the handler returns; nothing needs tearing down
    }
    if (opening && category == "qt.qpa.plugin")
        pluginMessages.append(message);
    else
        forwardTo(type, context, message);
}

int signalPipe[2] = {-1, -1};

void noteSignal(int) {
    const char byte = 1;
    // Async-signal-safe; a full pipe already holds a request to close.
    [[maybe_unused]] const auto written = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void endInOneLineOnFailure() {
    forwardTo = qInstallMessageHandler(takeMessage);
    std::set_terminate([] {
        std::string what = "unknown error";
        try {
            if (const std::exception_ptr error = std::current_exception())
                std::rethrow_exception(error);
        } catch (const std::exception& error) {
            what = error.what();
        } catch (...) {
        }
        report("unexpected error: " + what);
        std::_Exit(1);
    });
}

void endAtOnceOnDisplayLoss(std::function<void()> silence) {
    silenceAtDisplayLoss = std::move(silence);
    opening = false;
    pluginMessages.clear(); // of no interest once Qt has started
}

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

void endWithinBound(int status) {
    std::thread([status] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        report("ending without waiting any longer for sound or speech");
        std::_Exit(status);
    }).detach();
}
