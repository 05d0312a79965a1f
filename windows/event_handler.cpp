#include "windows/event_handler.h"

#include "output/report.h"

#include <QCoreApplication>

#include <exception>
#include <string>

void runHandler(const char* name, const std::function<void()>& handler) noexcept {
    std::string what = "unknown error";
    try {
        handler();
        return;
    } catch (const std::exception& error) {
        what = error.what();
    } catch (...) {
    }
    report(std::string("unexpected error in ") + name + ": " + what);
    QCoreApplication::exit(1);
}
