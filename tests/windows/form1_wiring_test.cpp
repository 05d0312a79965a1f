// The keypad's buttons, clicked as a user clicks them, reach the dialling operations with the
// right keys, and the window starts as the user should find it.

#include "windows/form1.h"
#include "windows/form2.h"

#include "about_windows.h"
#include "click_button.h"
#include "output/sound/clip_path.h"
#include "recording_doubles.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <memory>

class Form1Wiring : public QObject {
    Q_OBJECT

    EffectLog requests;
    RecordingPlayer player{requests};
    std::unique_ptr<Form1> window;

    QString text(const char* box) { return window->findChild<QLineEdit*>(box)->text(); }

private slots:
    void init() {
        requests.clear();
        player.dialledPaths.clear();
        window = std::make_unique<Form1>(
            player, [this] { return std::make_unique<RecordingVoice>(requests); });
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    void cleanup() { window.reset(); }

    void startsEmptyWithTheFocusOnTheNumberAndAboutHidden() {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        QCOMPARE(text("Text1"), QString());
        QCOMPARE(text("Text2"), QString());
        QCOMPARE(QApplication::focusWidget(), window->findChild<QLineEdit*>("Text1"));
        const QList<Form2*> about = aboutWindows();
        QCOMPARE(about.size(), 1);
        QVERIFY(!about.first()->isVisible());
        QCOMPARE(about.first()->parentWidget(), nullptr);
        QCOMPARE(requests, EffectLog{});
    }

    void loadingMakesTheVoiceBeforeFillingTheAboutLabels() {
        window.reset();
        // What the About window's labels said when the voice was made.
        QString labelsWhenVoiceMade;
        window = std::make_unique<Form1>(player, [&] {
            const QList<Form2*> about = aboutWindows();
            labelsWhenVoiceMade = about.isEmpty() ? QString("no About window")
                                                  : about.first()->Label25->text() + "|" +
                                                        about.first()->Label26->text() + "|" +
                                                        about.first()->Label27->text();
            return std::make_unique<RecordingVoice>(requests);
        });
        QVERIFY2(labelsWhenVoiceMade == "no About window" ||
                     labelsWhenVoiceMade == "Version|Program name|Copyright ",
                 qPrintable(labelsWhenVoiceMade));
        Form2& about = window->about();
        QCOMPARE(about.Label25->text(), QString("Version: 1.1.114"));
        QCOMPARE(about.Label26->text(), QString("Quorvel"));
        QCOMPARE(about.Label27->text(), QString("© 2026 Harrow Lane"));
    }

    void everyKeyAddsItsCharacterTokenAndClip() {
        for (const char* key : {"Command1", "Command10", "Command12"})
            clickButton(window.get(), key);
        QCOMPARE(text("Text1"), QString("1*#"));
        QCOMPARE(text("Text2"), QString("1  star  hash "));
        QCOMPARE(requests, (EffectLog{"play=1.wav", "play=ast.wav", "play=#.wav"}));

        clickButton(window.get(), "Command14");
        requests.clear();
        for (int i = 1; i <= 12; ++i)
            clickButton(window.get(), qPrintable(QString("Command%1").arg(i)));
        QCOMPARE(text("Text1"), QString("123456789*0#"));
        QCOMPARE(text("Text2"), QString("1 2 3 4 5 6 7 8 9  star 0  hash "));
        QCOMPARE(requests, (EffectLog{"play=1.wav", "play=2.wav", "play=3.wav", "play=4.wav",
                                      "play=5.wav", "play=6.wav", "play=7.wav", "play=8.wav",
                                      "play=9.wav", "play=ast.wav", "play=0.wav", "play=#.wav"}));
    }

    void clearAndBackSpaceEditBothTextsSilently() {
        for (const char* key : {"Command2", "Command5", "Command9"})
            clickButton(window.get(), key);
        requests.clear();
        clickButton(window.get(), "Command16"); // Back Space
        QCOMPARE(text("Text1"), QString("25"));
        QCOMPARE(text("Text2"), QString("2 5 "));
        clickButton(window.get(), "Command14"); // Clear
        QCOMPARE(text("Text1"), QString());
        QCOMPARE(text("Text2"), QString());
        clickButton(window.get(), "Command16"); // Back Space on nothing
        QCOMPARE(text("Text1"), QString());
        QCOMPARE(text("Text2"), QString());
        QCOMPARE(requests, EffectLog{});
    }

    void dialPlaysTheWholeNumberOnceAndKeepsIt() {
        for (const char* key : {"Command1", "Command10", "Command12", "Command11"})
            clickButton(window.get(), key);
        requests.clear();
        clickButton(window.get(), "Command13");
        QCOMPARE(requests, EffectLog{"dial=1.wav,ast.wav,#.wav,0.wav"});
        const QString directory = applicationDirectory();
        QCOMPARE(player.dialledPaths.last(),
                 (QStringList{directory + "/1.wav", directory + "/ast.wav", directory + "/#.wav",
                              directory + "/0.wav"}));
        QCOMPARE(text("Text1"), QString("1*#0"));
        QCOMPARE(text("Text2"), QString("1  star  hash 0 "));
    }

    void sayQueuesTheAnnouncementAndReturns() {
        clickButton(window.get(), "Command15"); // nothing to say yet
        QCOMPARE(requests, EffectLog{});
        for (const char* key : {"Command1", "Command2"})
            clickButton(window.get(), key);
        requests.clear();
        clickButton(window.get(), "Command15");
        QCOMPARE(requests, EffectLog{"say=Telephone number: 1 2 "});
        QCOMPARE(text("Text1"), QString("12"));
        QCOMPARE(text("Text2"), QString("1 2 "));
    }
};

QTEST_MAIN(Form1Wiring)
#include "form1_wiring_test.moc"
