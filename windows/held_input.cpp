#include "windows/held_input.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWindow>

#include <algorithm>
#include <array>
#include <deque>
#include <memory>

namespace {

bool isUserInput(QEvent::Type type) {
    using enum QEvent::Type;
    static constexpr std::array types = {
        MouseButtonPress, MouseButtonRelease, MouseButtonDblClick, MouseMove,  Wheel,
        KeyPress,         KeyRelease,         ContextMenu,         TouchBegin, TouchUpdate,
        TouchEnd,         TouchCancel,        TabletPress,         TabletMove, TabletRelease};
    return std::ranges::find(types, type) != types.end();
}

template <typename Event, typename... Values>
std::function<void(QWindow*)> sendLater(quint64 time, Values... values) {
    return [=](QWindow* window) {
        Event made(values...);
        made.setTimestamp(time);
        QCoreApplication::sendEvent(window, &made);
    };
}

// A mouse or wheel event shares its point with the device, which moves on: kept as plain values.
std::function<void(QWindow*)> sendAgainLater(const QEvent* event) {
    if (const auto* mouse = dynamic_cast<const QMouseEvent*>(event)) {
        return sendLater<QMouseEvent>(mouse->timestamp(), mouse->type(), mouse->position(),
                                      mouse->scenePosition(), mouse->globalPosition(),
                                      mouse->button(), mouse->buttons(), mouse->modifiers(),
                                      mouse->pointingDevice());
    }
    if (const auto* wheel = dynamic_cast<const QWheelEvent*>(event)) {
        return sendLater<QWheelEvent>(
            wheel->timestamp(), wheel->position(), wheel->globalPosition(), wheel->pixelDelta(),
            wheel->angleDelta(), wheel->buttons(), wheel->modifiers(), wheel->phase(),
            wheel->inverted(), wheel->source(), wheel->pointingDevice());
    }
    return [copy = std::shared_ptr<QEvent>(event->clone())](QWindow* window) {
        QCoreApplication::sendEvent(window, copy.get());
    };
}

class InputQueue final : public QObject {
public:
    explicit InputQueue(QObject* application) : QObject(application) {
        application->installEventFilter(this);
    }

    void hold() { ++holds_; }

    // Pressing a button while input is held, or while held input still waits, would jump the
    // queue; a press made by the input being handed on is that input's own effect and runs.
    bool mustWait() const { return holds_ > 0 || (!held_.empty() && !handingOn_); }

    void queue(std::function<void()> handOn) { held_.push_back(std::move(handOn)); }

    void release() {
        if (--holds_ == 0 && !held_.empty() && !handingOn_)
            QMetaObject::invokeMethod(this, &InputQueue::handOn, Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        // Caught at the window, before any widget, so handing it on later takes the same way.
        if ((holds_ == 0 && held_.empty()) || !event->spontaneous() || !receiver->isWindowType() ||
            !isUserInput(event->type()))
            return false;
        auto* window = static_cast<QWindow*>(receiver);
        queue([window = QPointer(window), send = sendAgainLater(event)] {
            if (window && window->isVisible()) // not to a window gone or hidden meanwhile
                send(window);
        });
        return true;
    }

private:
    // Each held event or press runs to its end before the next; one starting a clip holds the rest.
    void handOn() {
        handingOn_ = true;
        while (holds_ == 0 && !held_.empty()) {
            const std::function<void()> next = std::move(held_.front());
            held_.pop_front();
            next();
        }
        handingOn_ = false;
    }

    int holds_ = 0;
    bool handingOn_ = false;
    std::deque<std::function<void()>> held_;
};

InputQueue& inputQueue() {
    static QPointer<InputQueue> queue;
    if (!queue)
        queue = new InputQueue(QCoreApplication::instance());
    return *queue;
}

} // namespace

void holdInputAfterLaterFilters() {
    inputQueue();
}

HeldInput::HeldInput() {
    inputQueue().hold();
}

HeldInput::~HeldInput() {
    inputQueue().release();
}

void pressInTurn(QObject* receiver, std::function<void()> press) {
    InputQueue& queue = inputQueue();
    if (queue.mustWait()) {
        queue.queue([receiver = QPointer(receiver), press = std::move(press)] {
            if (receiver)
                press();
        });
        return;
    }
    const HeldInput heldWhilePressed;
    press();
}
