// The keypad window as the user meets it: where every control stands, what it says, the order
// the focus walks, the spoken text that never shows, and text boxes nobody can type into.

#include "windows/form1.h"

#include "control_table.h"
#include "recording_doubles.h"

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <memory>

namespace {

// The keypad's layout, in focus order; places are in pixels from the client area's corner.
const Control keypad[] = {
    {"Text1", "QLineEdit", "Form1", "", {3, 9, 145, 22}, true},
    {"Command1", "QPushButton", "Form1", "1", {6, 42, 43, 34}, true},
    {"Command2", "QPushButton", "Form1", "2", {54, 42, 43, 34}, true},
    {"Command3", "QPushButton", "Form1", "3", {102, 42, 43, 34}, true},
    {"Command4", "QPushButton", "Form1", "4", {6, 78, 43, 34}, true},
    {"Command5", "QPushButton", "Form1", "5", {54, 78, 43, 34}, true},
    {"Command6", "QPushButton", "Form1", "6", {102, 78, 43, 34}, true},
    {"Command7", "QPushButton", "Form1", "7", {6, 114, 43, 34}, true},
    {"Command8", "QPushButton", "Form1", "8", {54, 114, 43, 34}, true},
    {"Command9", "QPushButton", "Form1", "9", {102, 114, 43, 34}, true},
    {"Command10", "QPushButton", "Form1", "*", {6, 153, 43, 34}, true},
    {"Command11", "QPushButton", "Form1", "0", {54, 153, 43, 34}, true},
    {"Command12", "QPushButton", "Form1", "#", {102, 153, 43, 34}, true},
    {"Command13", "QPushButton", "Form1", "Dial Phone Number", {6, 282, 139, 37}, true},
    {"Command14", "QPushButton", "Form1", "Clear", {6, 192, 139, 19}, true},
    {"Command15", "QPushButton", "Form1", "Say Phone Number", {6, 240, 139, 37}, true},
    {"Text2", "QLineEdit", "Form1", "", {3, 336, 142, 22}, true},
    {"Command16", "QPushButton", "Form1", "Back Space", {6, 213, 139, 19}, true},
};

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

    void controlHasItsKindCaptionAndPlace_data() { addControlRows(keypad); }

    void controlHasItsKindCaptionAndPlace() {
        QFETCH(int, row);
        checkControl(window.get(), keypad[row]);
    }

    // The tests that click the real program through the X server aim at the middles that
    // key_places gives ("KEY X Y" a line; "say" and "dial" for the two long buttons): they must
    // be the middles of the keys in the table above.
    void scriptsAimAtTheMiddlesOfTheKeys() {
        QFile places(QUORVEL_KEY_PLACES);
        QVERIFY(places.open(QIODevice::ReadOnly | QIODevice::Text));
        const QHash<QString, QString> longCaptions{{"say", "Say Phone Number"},
                                                   {"dial", "Dial Phone Number"}};
        QStringList keys;
        for (const QString& line : QString(places.readAll()).split('\n', Qt::SkipEmptyParts)) {
            const QStringList fields = line.split(' ');
            QCOMPARE(fields.size(), 3);
            keys.append(fields[0]);
            const QString wanted = longCaptions.value(fields[0], fields[0]);
            const auto key = std::ranges::find_if(keypad, [&](const Control& control) {
                return control.caption == wanted && QString(control.kind) == "QPushButton";
            });
            QVERIFY2(key != std::end(keypad), qPrintable(line));
            const QPoint middle(key->place.x() + key->place.width() / 2,
                                key->place.y() + key->place.height() / 2);
            QCOMPARE(QPoint(fields[1].toInt(), fields[2].toInt()), middle);
        }
        QCOMPARE(keys, QString("1 2 3 4 5 6 7 8 9 * 0 # say dial").split(' '));
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
        addEnterAndEscapeRows({"Text1", "Command5", "Command13"});
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
        // Drawn at the sizes title bars and task bars ask for, as the artwork has it: a corner
        // that shows what lies behind, a solid middle.
        for (const int n : {16, 32}) {
            const QImage image = window->windowIcon().pixmap(QSize(n, n)).toImage();
            QCOMPARE(image.size(), QSize(n, n));
            QCOMPARE(qAlpha(image.pixel(n - 1, n - 1)), 0);
            QCOMPARE(qAlpha(image.pixel(n / 3, n / 2)), 255);
        }
    }
};

QTEST_MAIN(Form1Layout)
#include "form1_layout_test.moc"
