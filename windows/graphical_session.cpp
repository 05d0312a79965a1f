#include "windows/graphical_session.h"

#include "output/report.h"

#include <QByteArray>
#include <QStringList>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler forwardTo = nullptr;
bool displayUnreachable = false;
QStringList pluginMessages;

void reportDisplayFailure(QtMsgType type, const QMessageLogContext& context,
                          const QString& message) {
    const QByteArray category = context.category != nullptr ? context.category : "";
    if (type != QtFatalMsg) {
        if (category.startsWith("qt.qpa.xcb") && message.contains("could not connect to display"))
            displayUnreachable = true;
        // Held back: when the display is the trouble, the plugin's complaint only misleads.
        if (category == "qt.qpa.plugin")
            pluginMessages.append(message);
        else
            forwardTo(type, context, message);
        return;
    }
    if (displayUnreachable) {
        report("cannot open a window on display \"" + qgetenv("DISPLAY").toStdString() +
               "\"; is the graphical session running?");
    } else {
        for (const QString& held : pluginMessages)
            std::fprintf(stderr, "%s\n", qPrintable(held));
        report("cannot open a window: Qt found no platform to show it on (is qt6-qpa-plugins "
               "installed?)");
    }
    // Qt would abort after this handler returns; nothing has been built that needs tearing down.
    std::_Exit(1);
}

} // namespace

bool graphicalSessionNamed() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

DisplayOpeningGuard::DisplayOpeningGuard() {
    forwardTo = qInstallMessageHandler(reportDisplayFailure);
}

DisplayOpeningGuard::~DisplayOpeningGuard() {
    qInstallMessageHandler(forwardTo);
    // Whatever Qt said about its plugins while it started is of no interest once it has.
    pluginMessages.clear();
}
