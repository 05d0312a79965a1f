// While a clip plays through the real player, the windows stay alive (timers run, paints are
// done) but the user's clicks wait, and are handled after the clip, in the order they were made;
// a request to close the window is not held back. Runs on a private X server: the clicks come
// from xdotool and the close request from the X server, as a user's do.

#include "windows/form1.h"
#include "windows/responsive_clip_player.h"

#include "alsa_capture.h"
#include "output/sound/device_clip_player.h"
#include "recording_doubles.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace {

using namespace std::chrono_literals;

// Plays through the real player and notes each request when it has been played. A dial is held
// back after its last sample until the gate opens, so that the test decides how long the user
// waits.
class GatedPlayer final : public ClipPlayer {
public:
    explicit GatedPlayer(ClipPlayer& player) : player_(player) {}

    void PlayClip(const QString& path) override {
        player_.PlayClip(path);
        note("played " + clipName(path));
    }
    void PlayClips(const QStringList& paths) override {
        player_.PlayClips(paths);
        std::unique_lock lock(mutex_);
        // Bounded, so a broken test ends instead of hanging.
        opened_.wait_for(lock, 20s, [this] { return open_; });
        done_.append("dialled " + QString::number(paths.size()) + " clips");
    }

    // Stopping the sound opens the gate too: a stopped player holds nobody up.
    void stop() override {
        player_.stop();
        open();
    }

    void open() {
        const std::lock_guard lock(mutex_);
        open_ = true;
        opened_.notify_all();
    }

    QStringList done() {
        const std::lock_guard lock(mutex_);
        return done_;
    }

private:
    void note(const QString& line) {
        const std::lock_guard lock(mutex_);
        done_.append(line);
    }

    ClipPlayer& player_;
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    QStringList done_;
};

// Counts the paint events a widget receives.
class PaintCounter final : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Clicks the middle of a control with the X server's pointer, as a user would.
bool xClick(QWidget* control) {
    const QPoint middle = control->mapTo(control->window(), control->rect().center());
    return QProcess::execute("xdotool",
                             {"mousemove", "--window", QString::number(control->window()->winId()),
                              QString::number(middle.x()), QString::number(middle.y()), "click",
                              "1"}) == 0;
}

} // namespace

class ResponsivePlayer : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server: run under scripts/with-display");
        sharedCapture();
    }

    void windowsStayAliveDuringADialButClicksWaitAndKeepTheirOrder() {
        DeviceClipPlayer speaker;
        GatedPlayer gated(speaker);
        ResponsiveClipPlayer sound(gated);
        EffectLog spoken;
        Form1 keypad(sound, [&] { return std::make_unique<RecordingVoice>(spoken); });
        keypad.show();
        QVERIFY(QTest::qWaitForWindowExposed(&keypad));
        keypad.setNumberText("12");
        keypad.setSpokenText("1 2 ");

        PaintCounter counter;
        keypad.Text1->installEventFilter(&counter);
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(10);

        // During the dial: click "5" and "6" through the X server, ask for a repaint, and give
        // the clicks ample time to arrive; then note what the window has done meanwhile.
        bool clicked = false;
        int ticksDuringDial = 0, paintsDuringDial = 0;
        QString numberDuringDial;
        QTimer::singleShot(50, &keypad, [&] {
            clicked = xClick(keypad.Command5) && xClick(keypad.Command6);
            ticks = 0;
            counter.paints = 0;
            keypad.Text1->update();
            QTimer::singleShot(500, &keypad, [&] {
                ticksDuringDial = ticks;
                paintsDuringDial = counter.paints;
                numberDuringDial = keypad.numberText();
                gated.open();
            });
        });
        QTest::mouseClick(keypad.Command13, Qt::LeftButton);

        QVERIFY(clicked);
        QVERIFY2(ticksDuringDial >= 5,
                 qPrintable(QString("%1 timer ticks in 500 ms").arg(ticksDuringDial)));
        QVERIFY(paintsDuringDial >= 1);
        QCOMPARE(numberDuringDial, QString("12"));

        // Afterwards the two clicks are handled, in order, each key to its end.
        QTRY_COMPARE_WITH_TIMEOUT(keypad.numberText(), QString("1256"), 10000);
        QTRY_COMPARE(gated.done(),
                     (QStringList{"dialled 2 clips", "played 5.wav", "played 6.wav"}));
        QCOMPARE(keypad.spokenText(), QString("1 2 5 6 "));
    }

    void closeBoxInTheMiddleOfADialEndsTheProgram() {
        DeviceClipPlayer speaker;
        GatedPlayer gated(speaker);
        ResponsiveClipPlayer sound(gated);
        EffectLog spoken;
        // The dial would wait at its gate for ever; only stopping the sound lets it end.
        Form1 keypad(sound, [&] { return std::make_unique<RecordingVoice>(spoken); });
        keypad.show();
        QVERIFY(QTest::qWaitForWindowExposed(&keypad));
        keypad.setNumberText("1234");

        bool clicked = false, requested = false;
        QTimer::singleShot(0, &keypad, [&] {
            QTimer::singleShot(100, &keypad, [&] {
                // A click the dial holds back, then the close box.
                clicked = xClick(keypad.Command5);
                requested = QProcess::execute(QUORVEL_SEND_CLOSE_REQUEST,
                                              {QString::number(keypad.winId())}) == 0;
            });
            QTest::mouseClick(keypad.Command13, Qt::LeftButton);
        });
        // Should the request wait for the dial's end, the program would never end: give up after
        // a while with another status.
        QTimer::singleShot(10000, &keypad, [] { QCoreApplication::exit(99); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(clicked);
        QVERIFY(requested);
        QVERIFY(!keypad.isVisible());
        QCOMPARE(gated.done(), QStringList{"dialled 4 clips"});

        // The click held back during the dial goes with the window, even when events are handled
        // once more.
        QTest::qWait(100);
        QCOMPARE(keypad.numberText(), QString("1234"));
        QCOMPARE(gated.done(), QStringList{"dialled 4 clips"});
    }
};

QTEST_MAIN(ResponsivePlayer)
#include "responsive_player_test.moc"
