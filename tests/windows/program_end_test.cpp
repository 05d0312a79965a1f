// Closing the keypad window ends the program at once: with the About window showing, and in the
// middle of a long dial through the real player, which stops with no further clip.

#include "windows/form1.h"
#include "windows/form2.h"
#include "windows/responsive_clip_player.h"

#include "alsa_capture.h"
#include "output/sound/clip_path.h"
#include "output/sound/device_clip_player.h"
#include "recording_doubles.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

namespace {

// A voice that notes when it is destroyed.
class NotingVoice final : public SpeechVoice {
public:
    explicit NotingVoice(bool& gone) : gone_(gone) {}
    ~NotingVoice() override { gone_ = true; }
    void Speak(const QString&) override {}

private:
    bool& gone_;
};

// Closes the window the way its title bar's close box does.
void closeFromTheTitleBar(Form1& window) {
    window.windowHandle()->close();
}

} // namespace

class ProgramEnd : public QObject {
    Q_OBJECT

    EffectLog requests;
    RecordingPlayer player{requests};
    bool voiceGone = false;
    std::unique_ptr<Form1> keypad;

    void makeKeypad(ClipPlayer& sound) {
        voiceGone = false;
        keypad = std::make_unique<Form1>(
            sound, [this] { return std::make_unique<NotingVoice>(voiceGone); });
        keypad->show();
        QVERIFY(QTest::qWaitForWindowExposed(keypad.get()));
    }

private slots:
    void initTestCase() {
        // Before the first sound of the process.
        sharedCapture();
    }

    void init() { requests.clear(); }

    void cleanup() { keypad.reset(); }

    void closingTheKeypadEndsTheEventLoop() {
        makeKeypad(player);
        QTimer::singleShot(0, keypad.get(), [this] { closeFromTheTitleBar(*keypad); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!keypad->isVisible());
        QVERIFY(voiceGone);
        QCOMPARE(requests, EffectLog{"stop"});
    }

    void closingTheKeypadEndsItWhileAboutShows() {
        makeKeypad(player);
        for (const char* key : {"Command10", "Command12", "Command7", "Command3", "Command9",
                                "Command1", "Command12"})
            QTest::mouseClick(keypad->findChild<QPushButton*>(key), Qt::LeftButton);
        Form2& about = keypad->about();
        QVERIFY(QTest::qWaitForWindowExposed(&about));

        QTimer::singleShot(0, keypad.get(), [this] { closeFromTheTitleBar(*keypad); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!keypad->isVisible());
        QVERIFY(!about.isVisible());
        QVERIFY(voiceGone);
    }

    void closingDuringALongDialEndsPromptlyWithNoFurtherClip() {
        AlsaCapture& capture = sharedCapture();
        capture.clear();
        const int keys = 100000; // five and a half hours of tones
        std::size_t heard = 0;
        qint64 closedAt = -1, endedAt = -1;
        {
            DeviceClipPlayer speaker;
            ResponsiveClipPlayer sound(speaker);
            makeKeypad(sound);
            keypad->setNumberText(QString(keys, '8'));

            QElapsedTimer clock;
            QTimer::singleShot(0, keypad.get(),
                               [this] { QTest::mouseClick(keypad->Command13, Qt::LeftButton); });
            // Runs while the dial plays (timers are not held back, only the user's input is):
            // closes the window as soon as the first tones have come out.
            QTimer watch;
            connect(&watch, &QTimer::timeout, keypad.get(), [&] {
                if (closedAt < 0 && !capture.samples().empty()) {
                    closedAt = clock.elapsed();
                    closeFromTheTitleBar(*keypad);
                }
            });
            watch.start(5);
            QTimer::singleShot(60000, keypad.get(), [] { QCoreApplication::exit(99); });
            clock.start();
            QCOMPARE(QApplication::exec(), 0);
            endedAt = clock.elapsed();
            QVERIFY(closedAt >= 0);
            QVERIFY(voiceGone);

            // Nothing more comes out, even when asked for.
            keypad.reset();
            speaker.PlayClip(applicationDirectory() + "/8.wav");
        }
        heard = capture.samples().size();
        const std::size_t wholeDial = std::size_t(keys) * 0.2 * 22050;
        QVERIFY2(heard > 0, "the dial never started");
        QVERIFY2(heard < wholeDial / 2,
                 qPrintable(QString("%1 of %2 samples played").arg(heard).arg(wholeDial)));
        QVERIFY2(endedAt - closedAt < 5000,
                 qPrintable(QString("%1 ms from closing to the end").arg(endedAt - closedAt)));
        QTest::qWait(200);
        QCOMPARE(capture.samples().size(), heard);
    }
};

QTEST_MAIN(ProgramEnd)
#include "program_end_test.moc"
