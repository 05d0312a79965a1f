#include "windows/event_handler.h"

#include "output/report.h"

#include <QCoreApplication>

#include <exception>

namespace {

void endAfterError(const char* name, const char* what) {
    report(std::string("unexpected error in ") + name + ": " + what);
    QCoreApplication::exit(1);
}

} // namespace

void runHandler(const char* name, const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (const std::exception& error) {
        endAfterError(name, error.what());
    } catch (...) {
        endAfterError(name, "unknown error");
    }
}
