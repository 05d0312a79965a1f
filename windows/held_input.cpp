#include "windows/held_input.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>
#include <QWindow>

#include <deque>
#include <functional>
#include <memory>

namespace {

bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

// Makes an event again when its turn comes. A mouse or wheel event shares its point with the
// pointing device, which every later event moves on, so it is kept as plain values and built
// only just before it is handed on; other events are copied as they are.
std::function<std::unique_ptr<QEvent>()> remake(const QEvent* event) {
    if (const auto* mouse = dynamic_cast<const QMouseEvent*>(event)) {
        return [type = mouse->type(), position = mouse->position(), scene = mouse->scenePosition(),
                global = mouse->globalPosition(), button = mouse->button(),
                buttons = mouse->buttons(), modifiers = mouse->modifiers(),
                device = mouse->pointingDevice(), time = mouse->timestamp()] {
            auto made = std::make_unique<QMouseEvent>(type, position, scene, global, button,
                                                      buttons, modifiers, device);
            made->setTimestamp(time);
            return std::unique_ptr<QEvent>(std::move(made));
        };
    }
    if (const auto* wheel = dynamic_cast<const QWheelEvent*>(event)) {
        return [position = wheel->position(), global = wheel->globalPosition(),
                pixels = wheel->pixelDelta(), angle = wheel->angleDelta(),
                buttons = wheel->buttons(), modifiers = wheel->modifiers(), phase = wheel->phase(),
                inverted = wheel->inverted(), source = wheel->source(),
                device = wheel->pointingDevice(), time = wheel->timestamp()] {
            auto made = std::make_unique<QWheelEvent>(position, global, pixels, angle, buttons,
                                                      modifiers, phase, inverted, source, device);
            made->setTimestamp(time);
            return std::unique_ptr<QEvent>(std::move(made));
        };
    }
    return [copy = std::shared_ptr<QEvent>(event->clone())] {
        return std::unique_ptr<QEvent>(copy->clone());
    };
}

// The application's one queue of held input.
class InputQueue final : public QObject {
public:
    explicit InputQueue(QObject* application) : QObject(application) {
        application->installEventFilter(this);
    }

    void hold() { ++holds_; }

    // Pressing a button while input is held, or while held input still waits, would jump the
    // queue; a press made by the input being handed on is that input's own effect and runs.
    bool mustWait() const { return holds_ > 0 || (!held_.empty() && !handingOn_); }

    void queue(QObject* receiver, std::function<void()> handOn) {
        held_.push_back({receiver, std::move(handOn)});
    }

    void release() {
        if (--holds_ == 0 && !held_.empty() && !handingOn_)
            QMetaObject::invokeMethod(this, &InputQueue::handOn, Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override {
        // Input from the window system reaches a window before the widget under it; handed on
        // there later, it takes exactly the way it would have taken.
        if ((holds_ == 0 && held_.empty()) || !event->spontaneous() || !receiver->isWindowType() ||
            !isUserInput(event->type()))
            return false;
        auto* window = static_cast<QWindow*>(receiver);
        queue(window, [window, make = remake(event)] {
            // Input for a window that has been hidden meanwhile goes with it.
            if (window->isVisible()) {
                const std::unique_ptr<QEvent> made = make();
                QCoreApplication::sendEvent(window, made.get());
            }
        });
        return true;
    }

private:
    struct Held {
        QPointer<QObject> receiver;
        std::function<void()> handOn;
    };

    // Each event or press is handled to its end before the next; should one of them start a
    // clip, the rest wait again, and more input queues behind them. Input for a window that has
    // gone away meanwhile (closing the keypad window ends the program) is dropped.
    void handOn() {
        handingOn_ = true;
        while (holds_ == 0 && !held_.empty()) {
            Held next = std::move(held_.front());
            held_.pop_front();
            if (next.receiver)
                next.handOn();
        }
        handingOn_ = false;
    }

    int holds_ = 0;
    bool handingOn_ = false;
    std::deque<Held> held_;
};

InputQueue& inputQueue() {
    static QPointer<InputQueue> queue;
    if (!queue)
        queue = new InputQueue(QCoreApplication::instance());
    return *queue;
}

} // namespace

HeldInput::HeldInput() {
    inputQueue().hold();
}

HeldInput::~HeldInput() {
    inputQueue().release();
}

void pressInTurn(QObject* receiver, std::function<void()> press) {
    InputQueue& queue = inputQueue();
    if (queue.mustWait()) {
        queue.queue(receiver, std::move(press));
        return;
    }
    const HeldInput heldWhilePressed;
    press();
}
