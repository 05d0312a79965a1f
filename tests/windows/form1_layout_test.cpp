// The keypad window as the user meets it: where every control stands, what it says, the order
// the focus walks, the spoken text that never shows, and text boxes nobody can type into.

#include "windows/form1.h"

#include "recording_doubles.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

struct Control {
    const char* name;
    const char* kind;
    const char* caption;
    QRect place; // pixels from the top-left corner of the client area
};

// The keypad's layout, in focus order.
const Control keypad[] = {
    {"Text1", "QLineEdit", "", {3, 9, 145, 22}},
    {"Command1", "QPushButton", "1", {6, 42, 43, 34}},
    {"Command2", "QPushButton", "2", {54, 42, 43, 34}},
    {"Command3", "QPushButton", "3", {102, 42, 43, 34}},
    {"Command4", "QPushButton", "4", {6, 78, 43, 34}},
    {"Command5", "QPushButton", "5", {54, 78, 43, 34}},
    {"Command6", "QPushButton", "6", {102, 78, 43, 34}},
    {"Command7", "QPushButton", "7", {6, 114, 43, 34}},
    {"Command8", "QPushButton", "8", {54, 114, 43, 34}},
    {"Command9", "QPushButton", "9", {102, 114, 43, 34}},
    {"Command10", "QPushButton", "*", {6, 153, 43, 34}},
    {"Command11", "QPushButton", "0", {54, 153, 43, 34}},
    {"Command12", "QPushButton", "#", {102, 153, 43, 34}},
    {"Command13", "QPushButton", "Dial Phone Number", {6, 282, 139, 37}},
    {"Command14", "QPushButton", "Clear", {6, 192, 139, 19}},
    {"Command15", "QPushButton", "Say Phone Number", {6, 240, 139, 37}},
    {"Text2", "QLineEdit", "", {3, 336, 142, 22}},
    {"Command16", "QPushButton", "Back Space", {6, 213, 139, 19}},
};

QString caption(QWidget* control) {
    if (auto* button = qobject_cast<QPushButton*>(control))
        return button->text();
    if (auto* box = qobject_cast<QLineEdit*>(control))
        return box->text();
    return "<not a button or text box>";
}

} // namespace

class Form1Layout : public QObject {
    Q_OBJECT

    EffectLog requests;
    RecordingPlayer player{requests};
    std::unique_ptr<Form1> window;

    QLineEdit* box(const char* name) { return window->findChild<QLineEdit*>(name); }

private slots:
    void init() {
        requests.clear();
        window = std::make_unique<Form1>(
            player, [this] { return std::make_unique<RecordingVoice>(requests); });
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }

    void cleanup() { window.reset(); }

    void controlHasItsKindCaptionAndPlace_data() {
        QTest::addColumn<int>("row");
        for (const Control& control : keypad)
            QTest::newRow(control.name) << int(&control - keypad);
    }

    void controlHasItsKindCaptionAndPlace() {
        QFETCH(int, row);
        const Control& control = keypad[row];
        auto* widget = window->findChild<QWidget*>(control.name, Qt::FindDirectChildrenOnly);
        QVERIFY(widget != nullptr);
        QCOMPARE(widget->metaObject()->className(), control.kind);
        QCOMPARE(caption(widget), QString(control.caption));
        QCOMPARE(widget->geometry(), control.place);
        QVERIFY(widget->isEnabled());
        QVERIFY(widget->focusPolicy() & Qt::TabFocus);
        if (auto* button = qobject_cast<QPushButton*>(widget)) {
            // The caption fits whole; a few pixels are the button's own border and padding.
            const QFontMetrics metrics = button->fontMetrics();
            QVERIFY(metrics.horizontalAdvance(button->text()) + 8 <= button->width());
            QVERIFY(metrics.height() <= button->height());
        }
    }

    void noControlBeyondTheTable() {
        QStringList expectedNames, actualNames;
        for (const Control& control : keypad)
            expectedNames.append(control.name);
        for (QWidget* child : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            actualNames.append(child->objectName());
        actualNames.sort();
        expectedNames.sort();
        QCOMPARE(actualNames, expectedNames);
    }

    void tabWalksTheFocusOrder() {
        QCOMPARE(QApplication::focusWidget(), box("Text1"));
        QStringList walked{QApplication::focusWidget()->objectName()};
        for (std::size_t i = 1; i < std::size(keypad); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            walked.append(QApplication::focusWidget()->objectName());
        }
        QStringList expected;
        for (const Control& control : keypad)
            expected.append(control.name);
        QCOMPARE(walked, expected);

        // Round the end back to the start, and back again with Shift+Tab.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("Text1"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("Command16"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget()->objectName(), QString("Text2"));
    }

    void windowHasItsCaptionAndAFixedSize() {
        QCOMPARE(window->windowTitle(), QString("Quorvel"));
        QCOMPARE(window->size(), QSize(151, 323));
        QCOMPARE(window->minimumSize(), QSize(151, 323));
        QCOMPARE(window->maximumSize(), QSize(151, 323));
        window->resize(400, 600);
        QCOMPARE(window->size(), QSize(151, 323));
    }

    void spokenTextNeverComesIntoView() {
        QLineEdit* text2 = box("Text2");
        QVERIFY(!text2->geometry().intersects(window->rect()));
        QVERIFY(text2->visibleRegion().isEmpty());

        // Whatever the spoken text holds, and even with the focus in it, the window looks the
        // same and keeps its size.
        const QImage before = window->grab().toImage();
        window->setSpokenText("1  star 2  hash 3 4 5 6 7 8 9 0 ");
        const QImage withText = window->grab().toImage();
        QCOMPARE(withText, before);

        QTest::keyClick(box("Text1"), Qt::Key_Backtab, Qt::ShiftModifier); // to Command16
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), text2);
        QCOMPARE(window->size(), QSize(151, 323));
        QCOMPARE(text2->geometry(), QRect(3, 336, 142, 22));
        QVERIFY(text2->visibleRegion().isEmpty());
        // With the focus in Text2 the window looks exactly as with the focus nowhere.
        const QImage focused = window->grab().toImage();
        text2->clearFocus();
        QCOMPARE(QApplication::focusWidget(), nullptr);
        QCOMPARE(window->grab().toImage(), focused);
    }

    void textBoxRefusesTypingPastingAndDeleting_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("Text1") << "Text1";
        QTest::newRow("Text2") << "Text2";
    }

    void textBoxRefusesTypingPastingAndDeleting() {
        QFETCH(QString, name);
        window->setNumberText("12*");
        window->setSpokenText("1 2  star ");
        QApplication::clipboard()->setText("555");
        QLineEdit* field = box(qPrintable(name));
        const QString text = field->text();
        field->setFocus();
        // Digits and Backspace are presses of the keypad's keys, wherever they are typed.
        QTest::keyClicks(field, "abc");
        QTest::keyClick(field, Qt::Key_Home);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Insert, Qt::ShiftModifier);
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_X, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Delete);
        QTest::keyClicks(field, "x");
        QTest::keyClick(field, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(field->text(), text);

        // Selecting and copying out work.
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(field->selectedText(), text);
        QTest::keyClick(field, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), text);
        QVERIFY(requests.isEmpty());
    }

    void enterAndEscapePressNoButton_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<Qt::Key>("key");
        for (const char* focus : {"Text1", "Command5", "Command13"}) {
            QTest::addRow("Return in %s", focus) << focus << Qt::Key_Return;
            QTest::addRow("Enter in %s", focus) << focus << Qt::Key_Enter;
            QTest::addRow("Escape in %s", focus) << focus << Qt::Key_Escape;
        }
    }

    // No button is the window's default or cancel button, whichever control has the focus.
    void enterAndEscapePressNoButton() {
        QFETCH(QString, focus);
        QFETCH(Qt::Key, key);
        window->setNumberText("12");
        requests.clear();
        QWidget* control = window->findChild<QWidget*>(focus);
        control->setFocus();
        QTest::keyClick(control, key);
        QCOMPARE(requests, EffectLog{});
        QVERIFY(window->isVisible());
        QCOMPARE(window->numberText(), QString("12"));

        // A focused button still answers the space bar, as every button does.
        QTest::keyClick(window->findChild<QPushButton*>("Command5"), Qt::Key_Space);
        QCOMPARE(requests, EffectLog{"play=5.wav"});
    }

    void windowCarriesTheProgramIcon() {
        QVERIFY2(QFile::exists(":/resources/quorvel.ico"), "the program has no icon packed in");
        const QList<QSize> sizes = window->windowIcon().availableSizes();
        QVERIFY2(sizes.contains(QSize(16, 16)), "no 16 x 16 image");
        QVERIFY2(sizes.contains(QSize(32, 32)), "no 32 x 32 image");
    }
};

QTEST_MAIN(Form1Layout)
#include "form1_layout_test.moc"
