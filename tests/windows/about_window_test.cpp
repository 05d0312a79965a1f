// The About window: its layout and looks, and how the service code, "Close" and the close box
// show and hide it, entered on the real keypad.

#include "windows/form1.h"
#include "windows/form2.h"

#include "about_windows.h"
#include "click_button.h"
#include "control_table.h"
#include "recording_doubles.h"

#include <QApplication>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include <memory>

namespace {

// The About window's layout once the keypad window has loaded and the window has been shown, in
// focus order (of the controls that take the focus, the tester list comes first).
const Control aboutLayout[] = {
    {"Frame2", "QGroupBox", "Form2", "About", {3, 3, 378, 228}, false},
    {"Frame3", "QGroupBox", "Frame2", "Beta Testers", {7, 91, 361, 130}, false},
    {"Label27", "QLabel", "Frame2", "© 2026 Harrow Lane", {7, 70, 137, 17}, false},
    {"Label26", "QLabel", "Frame2", "Quorvel", {7, 14, 362, 17}, false},
    {"Label25", "QLabel", "Frame2", "Version: 1.1.114", {7, 28, 365, 17}, false},
    {"Label24", "QLabel", "Frame2", "www.harrowlane.example", {7, 49, 359, 17}, false},
    {"Text3", "QPlainTextEdit", "Frame3", nullptr, {7, 14, 344, 106}, true}, // tester list: below
    {"Command1", "QPushButton", "Form2", "Close", {285, 234, 91, 16}, true},
    {"Image1", "QLabel", "Frame2", "", {189, 16, 178, 73}, false},
};

// A picture with no two neighbouring pixels alike, so that anything drawn over it shows.
QImage testPicture() {
    QImage picture(176, 71, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(40 + x, 120 + (x * 7 + y * 13) % 120, 60 + y * 2));
    return picture;
}

} // namespace

class AboutWindow : public QObject {
    Q_OBJECT

    EffectLog requests;
    RecordingPlayer player{requests};
    std::unique_ptr<Form1> keypad;

    Form2& about() { return keypad->about(); }

    // The window as the user first meets it: its tester list and picture are made on showing.
    Form2& shownAbout() {
        about().Show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(&about())); }();
        return about();
    }

    // Keys the characters in on the keypad's buttons.
    void keyIn(const QString& keys) {
        const QString pad = "123456789*0#";
        for (const QChar key : keys)
            clickButton(keypad.get(), qPrintable(QString("Command%1").arg(pad.indexOf(key) + 1)));
    }

private slots:
    void init() {
        requests.clear();
        keypad = std::make_unique<Form1>(
            player, [this] { return std::make_unique<RecordingVoice>(requests); });
        // Every request notes whether the About window was showing when it was made.
        player.note = [this] { return QString(about().isVisible() ? " (About shown)" : ""); };
        keypad->show();
        QVERIFY(QTest::qWaitForWindowExposed(keypad.get()));
    }

    void cleanup() {
        player.note = nullptr;
        keypad.reset();
    }

    void controlHasItsKindContainerCaptionPlaceAndFocus_data() { addControlRows(aboutLayout); }

    void controlHasItsKindContainerCaptionPlaceAndFocus() {
        QFETCH(int, row);
        checkControl(&shownAbout(), aboutLayout[row]);
    }

    void focusWalksTheTableAndNothingElseIsThere() {
        Form2& window = shownAbout();
        QStringList expectedOrder;
        for (const Control& control : aboutLayout)
            expectedOrder.append(control.name);
        QStringList chain;
        for (QWidget* w = window.nextInFocusChain(); w != &window; w = w->nextInFocusChain())
            if (expectedOrder.contains(w->objectName()))
                chain.append(w->objectName());
        QCOMPARE(chain, expectedOrder);
        QCOMPARE(window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 2);
        QCOMPARE(
            window.Frame2->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 6);
        QCOMPARE(
            window.Frame3->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 1);
    }

    void isAFixedToolWindowOfItsOwn() {
        Form2& window = shownAbout();
        QCOMPARE(window.windowTitle(), QString("About"));
        // A window of its own with a tool window's frame: title and close box only (whether the
        // window managers keep it independent is checked under real ones).
        QCOMPARE(window.windowType(), Qt::Window);
        QCOMPARE(window.windowFlags() & (Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint |
                                         Qt::WindowTitleHint),
                 Qt::WindowCloseButtonHint | Qt::WindowTitleHint);
        QCOMPARE(window.parentWidget(), nullptr);
        QCOMPARE(window.windowModality(), Qt::NonModal);
        QVERIFY(window.windowIcon().isNull());
        QCOMPARE(window.size(), QSize(382, 252));
        QCOMPARE(window.minimumSize(), QSize(382, 252));
        QCOMPARE(window.maximumSize(), QSize(382, 252));
        QVERIFY(!window.Command1->autoDefault());
        QVERIFY(!window.Command1->isDefault());
    }

    void testerListIsLockedWhiteOnGreyBoldAndScrolls() {
        // Three lines, each ended by CR LF: the maker and the product, named as in the version
        // record, a rule of twenty hyphens, and one tester.
        const QStringList lines = QString(TesterList).split("\r\n");
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], QString("Harrow Lane Software Quorvel"));
        QCOMPARE(lines[1], QString(20, '-'));
        QVERIFY(!lines[2].trimmed().isEmpty());
        QCOMPARE(lines[3], QString());

        QPlainTextEdit* text = shownAbout().Text3;
        QStringList shown;
        for (QTextBlock block = text->document()->begin(); block.isValid(); block = block.next())
            shown.append(block.text());
        QCOMPARE(shown, lines);
        QVERIFY(text->isReadOnly());

        // The font the text is drawn in, whichever face stands in for the one asked for: bold,
        // 13 pixels (9.75 points at 96 dots per inch), upright and plain.
        const QFontInfo font(text->font());
        QCOMPARE(font.weight(), int(QFont::Bold));
        QCOMPARE(font.pixelSize(), 13);
        QVERIFY(!font.italic() && !font.underline() && !font.strikeOut());

        // On screen: white letters on a light grey ground.
        about().Show();
        QVERIFY(QTest::qWaitForWindowExposed(&about()));
        QVERIFY(text->verticalScrollBar()->isVisible()); // though the list fits
        const QImage grabbed =
            text->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        int grey = 0, white = 0;
        for (int y = 0; y < grabbed.height(); ++y)
            for (int x = 0; x < grabbed.width(); ++x) {
                grey += grabbed.pixel(x, y) == qRgb(192, 192, 192);
                white += grabbed.pixel(x, y) == qRgb(255, 255, 255);
            }
        QVERIFY(grey > grabbed.width() * grabbed.height() / 2);
        QVERIFY(white > 100);

        // Typing, pasting and deleting change nothing.
        const QString before = text->toPlainText();
        text->setFocus();
        QTest::keyClicks(text, "abc");
        QTest::keyClick(text, Qt::Key_Backspace);
        QTest::keyClick(text, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(text->toPlainText(), before);
    }

    void labelsNeverHideThePicture() {
        Form2& window = shownAbout();
        window.Image1->setPixmap(QPixmap::fromImage(testPicture()));
        QVERIFY(window.Label27->autoFillBackground());

        // Inside its one-pixel border, the picture shows whole through the labels that cross it.
        const QRect inside(window.Frame2->mapTo(&window, window.Image1->pos()) + QPoint(1, 1),
                           QSize(176, 71));
        const QImage picture = testPicture();
        QCOMPARE(window.grab().toImage().copy(inside).convertToFormat(QImage::Format_RGB32),
                 picture);

        // A caption long enough to reach the picture is drawn over it, not hidden beneath it.
        window.Label24->setText(QString(60, 'W'));
        const QImage covered =
            window.grab().toImage().copy(inside).convertToFormat(QImage::Format_RGB32);
        const QRect captionRows(0, window.Label24->y() - window.Image1->y() - 1, 176,
                                window.Label24->height());
        QVERIFY(covered.copy(captionRows) != picture.copy(captionRows));
        const QRect belowCaption(0, captionRows.bottom() + 1, 176, 71 - captionRows.bottom() - 1);
        QCOMPARE(covered.copy(belowCaption), picture.copy(belowCaption));
    }

    void showsTheAboutPicture() {
        QVERIFY2(QFile::exists(":/resources/about.bmp"), "the program has no About picture");
        // Made once the keypad is on the screen, before any showing.
        QTRY_VERIFY(about().Image1 != nullptr);
        QVERIFY(!about().isVisible());
        QCOMPARE(shownAbout().Image1->pixmap().size(), QSize(176, 71));
    }

    void serviceCodeShowsTheFilledWindowOnTheSeventhKeyBeforeItsClip() {
        keyIn("*#7391");
        QVERIFY(!about().isVisible());
        keyIn("#");
        QCOMPARE(requests, (EffectLog{"play=ast.wav", "play=#.wav", "play=7.wav", "play=3.wav",
                                      "play=9.wav", "play=1.wav", "play=#.wav (About shown)"}));
        QVERIFY(about().isVisible());
        QCOMPARE(keypad->numberText(), QString("*#7391#"));
        QCOMPARE(keypad->spokenText(), QString(" star  hash 7 3 9 1  hash "));
        QCOMPARE(about().Label25->text(), QString("Version: 1.1.114"));
        QCOMPARE(about().Label26->text(), QString("Quorvel"));
        QCOMPARE(about().Label27->text(), QString("© 2026 Harrow Lane"));
        QVERIFY(QTest::qWaitForWindowActive(&about()));
        QCOMPARE(QApplication::focusWidget(), about().Text3);
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        // Tab walks between the two controls that take the focus.
        QTest::keyClick(about().Text3, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), about().Command1);
        QTest::keyClick(about().Command1, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), about().Text3);

        // Only the whole number opens it.
        clickButton(&about(), "Command1");
        keyIn("1*#7391#");
        QVERIFY(!about().isVisible());
    }

    void closeHidesThenEmptiesBothTextsAndDoesNotReopen() {
        keyIn("*#7391#");
        QVERIFY(QTest::qWaitForWindowActive(&about()));
        requests.clear();
        // Each change of a text notes whether the About window was still showing.
        QStringList changes;
        connect(keypad->Text1, &QLineEdit::textChanged, this, [&](const QString& text) {
            changes.append("number=" + text + (about().isVisible() ? " (About shown)" : ""));
        });
        connect(keypad->Text2, &QLineEdit::textChanged, this, [&](const QString& text) {
            changes.append("spoken=" + text + (about().isVisible() ? " (About shown)" : ""));
        });
        clickButton(&about(), "Command1");
        QCOMPARE(changes, (QStringList{"number=", "spoken="}));
        QVERIFY(!about().isVisible());
        QCOMPARE(keypad->numberText(), QString());
        QCOMPARE(keypad->spokenText(), QString());
        QCOMPARE(requests, EffectLog{}); // no clip, no speech
        QTest::qWait(20);
        QVERIFY(!about().isVisible());
    }

    void codeAgainShowsTheSameWindowUnchangedAndTheKeypadKeepsWorking() {
        keyIn("*#7391#");
        QPointer<Form2> first = &about();
        const QString testers = first->Text3->toPlainText();
        clickButton(first, "Command1");
        keyIn("*#7391#");
        QCOMPARE(&about(), first.data());
        QVERIFY(first->isVisible());
        QCOMPARE(first->Label25->text(), QString("Version: 1.1.114"));
        QCOMPARE(first->Text3->toPlainText(), testers);

        // While it shows, the keypad still works, and the code shows the same one window again.
        keypad->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(keypad.get()));
        requests.clear();
        keyIn("5");
        QCOMPARE(keypad->numberText(), QString("*#7391#5"));
        clickButton(keypad.get(), "Command16"); // Back Space: the code again
        QCOMPARE(keypad->numberText(), QString("*#7391#"));
        QVERIFY(QTest::qWaitForWindowActive(first));
        keyIn("#");
        clickButton(keypad.get(), "Command16");
        QCOMPARE(requests, (EffectLog{"play=5.wav (About shown)", "play=#.wav (About shown)"}));
        QCOMPARE(aboutWindows(), QList<Form2*>{first.data()});
        QVERIFY(first->isVisible());
    }

    void closeBoxOnlyHidesTheWindow() {
        keyIn("*#7391#");
        QPointer<Form2> window = &about();
        QVERIFY(!window->close());
        QVERIFY(!window.isNull());
        QVERIFY(!window->isVisible());
        QCOMPARE(keypad->numberText(), QString("*#7391#"));
        QCOMPARE(keypad->spokenText(), QString(" star  hash 7 3 9 1  hash "));
        QVERIFY(keypad->isVisible());
    }

    void enterAndEscapePressNoButton_data() { addEnterAndEscapeRows({"Text3", "Command1"}); }

    void enterAndEscapePressNoButton() {
        QFETCH(QString, focus);
        QFETCH(Qt::Key, key);
        keyIn("*#7391#");
        QVERIFY(QTest::qWaitForWindowActive(&about()));
        QWidget* control = about().findChild<QWidget*>(focus);
        control->setFocus();
        QTest::keyClick(control, key);
        QVERIFY(about().isVisible());
        QCOMPARE(keypad->numberText(), QString("*#7391#"));
        // The space bar presses the focused "Close", as it does any button.
        QTest::keyClick(about().Command1, Qt::Key_Space);
        QVERIFY(!about().isVisible());
        QCOMPARE(keypad->numberText(), QString());
    }
};

QTEST_MAIN(AboutWindow)
#include "about_window_test.moc"
