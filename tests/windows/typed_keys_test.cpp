// Typing on the keypad window, through the window system's way in: a typed "0"-"9", "*" or "#"
// and Backspace are presses of their buttons wherever the focus is, a held key presses once,
// other keys keep their old meaning, and the About window's keys stay its own.

#include "windows/form1.h"
#include "windows/form2.h"
#include "windows/held_input.h"

#include "recording_doubles.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <memory>
#include <utility>
#include <vector>

namespace {

// How a held key repeats: Qt flags the repeated presses, or X sends a release and a press at one
// moment, unflagged when Qt cannot see them together. A tap under a screen reader's key grab comes
// as that same pair, with the key up before it, and then its own release.
enum class Repeat { none, held, flagged, xPair, grabbedTap }; // held: pressed, not let go yet

// One key as the window system hands it over: the key, the text it produced, its modifiers, and
// whether it is the key's own repeat while held down.
struct Typed {
    Qt::Key key;
    QString text;
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    Repeat repeat = Repeat::none;
};
using Typing = QList<Typed>;

Typed digit(char character) {
    return {Qt::Key(character), QString(QChar(character))};
}

const Typed backspace{Qt::Key_Backspace, "\b"};

void type(QWindow* window, const Typing& keys) {
    for (const Typed& key : keys) {
        if (key.repeat == Repeat::xPair || key.repeat == Repeat::grabbedTap) {
            static quint64 moment = 1'000'000;
            moment += 10;
            const auto send = [&](QEvent::Type type, quint64 at) {
                QKeyEvent event(type, key.key, key.modifiers, 38, 0, 0, key.text);
                event.setTimestamp(at);
                QApplication::sendEvent(window, &event);
            };
            send(QEvent::KeyRelease, moment);
            send(QEvent::KeyPress, moment);
            if (key.repeat == Repeat::grabbedTap)
                send(QEvent::KeyRelease, moment + 6);
            continue;
        }
        const bool flagged = key.repeat == Repeat::flagged;
        QTest::simulateEvent(window, true, key.key, key.modifiers, key.text, flagged);
        // A held key sends presses alone; its one release comes when it is let go.
        if (!flagged && key.repeat != Repeat::held)
            QTest::simulateEvent(window, false, key.key, key.modifiers, key.text, false);
    }
}

// Stands in for Qt's accessibility bridge under a screen reader: it takes every key typed on a
// window for a round trip to the reader and, when told, posts back copies with no timestamp.
class KeyRoundTrip final : public QObject {
public:
    KeyRoundTrip() { QCoreApplication::instance()->installEventFilter(this); }

    void handBack() {
        for (auto& [target, copy] : taken_)
            QCoreApplication::postEvent(target, copy.release());
        taken_.clear();
        QCoreApplication::sendPostedEvents();
    }

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (!event->spontaneous() ||
            (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease))
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        taken_.emplace_back(target, std::make_unique<QKeyEvent>(
                                        key->type(), key->key(), key->modifiers(),
                                        key->nativeScanCode(), key->nativeVirtualKey(),
                                        key->nativeModifiers(), key->text(), key->isAutoRepeat()));
        return true;
    }

private:
    std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QKeyEvent>>> taken_;
};

} // namespace

Q_DECLARE_METATYPE(Typing)

class TypedKeys : public QObject {
    Q_OBJECT

    EffectLog requests;
    RecordingPlayer player{requests};
    std::unique_ptr<Form1> window;

    void show(QWidget& shown) {
        shown.show();
        shown.activateWindow();
        QVERIFY(QTest::qWaitForWindowExposed(&shown));
    }

    void focus(QWidget* control) {
        QVERIFY(control != nullptr);
        control->setFocus();
        QCOMPARE(control->window()->focusWidget(), control);
    }

private slots:
    void init() {
        requests.clear();
        window = std::make_unique<Form1>(
            player, [this] { return std::make_unique<RecordingVoice>(requests); });
        show(*window);
    }

    void cleanup() { window.reset(); }

    // First, as in the program, where the bridge starts once the window is made and before any
    // press. A key still on its round trip when a clip starts keeps its turn ahead of the keys
    // typed during the clip, and a key typed twice presses twice though the copies have no time.
    void keysBackFromAScreenReaderKeepTheirTurn() {
        KeyRoundTrip bridge;
        focus(window->Text1);
        type(window->windowHandle(), {digit('1')});
        {
            const HeldInput clipPlaying;
            type(window->windowHandle(), {digit('2'), digit('2')});
            bridge.handBack();
            type(window->windowHandle(), {digit('3')});
            bridge.handBack();
            QCOMPARE(window->Text1->text(), QString());
        }
        QTRY_COMPARE(window->Text1->text(), QString("1223"));
        QCOMPARE(requests, (EffectLog{"play=1.wav", "play=2.wav", "play=2.wav", "play=3.wav"}));
    }

    void keyIsPressOfItsButton_data() {
        QTest::addColumn<QString>("focused");
        QTest::addColumn<Typing>("keys");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("spoken");
        QTest::addColumn<EffectLog>("effects");
        QTest::addColumn<bool>("aboutShown");

        const Typed keypadOne{Qt::Key_1, "1", Qt::KeypadModifier};
        const Typed keypadStar{Qt::Key_Asterisk, "*", Qt::KeypadModifier};
        // The text decides, whatever key code comes with it: on a French keyboard "2" is Shift
        // with the key of "é", and "#" is AltGr with "3"; a key whose code is "1" may type "&".
        const Typed frenchTwo{Qt::Key_Eacute, "2", Qt::ShiftModifier};
        const Typed frenchHash{Qt::Key_NumberSign, "#", Qt::GroupSwitchModifier};
        const Typed ampersandOnOne{Qt::Key_1, "&"};
        const Typed repeated7{Qt::Key_7, "7", Qt::NoModifier, Repeat::flagged};
        const Typed xRepeated7{Qt::Key_7, "7", Qt::NoModifier, Repeat::xPair};
        const Typed held7{Qt::Key_7, "7", Qt::NoModifier, Repeat::held};
        const Typed grabbed0{Qt::Key_0, "0", Qt::NoModifier, Repeat::grabbedTap};
        const Typed repeatedBackspace{Qt::Key_Backspace, "\b", Qt::NoModifier, Repeat::flagged};

        QTest::newRow("digits in the number field")
            << "Text1" << Typing{digit('1'), digit('2'), digit('3')} << "123"
            << "1 2 3 " << EffectLog{"play=1.wav", "play=2.wav", "play=3.wav"} << false;
        QTest::newRow("star, hash and zero on another key")
            << "Command5" << Typing{digit('*'), digit('#'), digit('0')} << "*#0"
            << " star  hash 0 " << EffectLog{"play=ast.wav", "play=#.wav", "play=0.wav"} << false;
        QTest::newRow("on an action button") << "Command13" << Typing{digit('9')} << "9"
                                             << "9 " << EffectLog{"play=9.wav"} << false;
        QTest::newRow("numeric keypad")
            << "Text2" << Typing{keypadOne, keypadStar} << "1*"
            << "1  star " << EffectLog{"play=1.wav", "play=ast.wav"} << false;
        QTest::newRow("the character counts, not the key")
            << "Text1" << Typing{ampersandOnOne, frenchTwo, frenchHash} << "2#"
            << "2  hash " << EffectLog{"play=2.wav", "play=#.wav"} << false;
        QTest::newRow("backspace in the number field")
            << "Text1" << Typing{digit('4'), digit('*'), backspace} << "4"
            << "4 " << EffectLog{"play=4.wav", "play=ast.wav"} << false;
        QTest::newRow("backspace on a key and on nothing")
            << "Command2" << Typing{digit('5'), backspace, backspace} << ""
            << "" << EffectLog{"play=5.wav"} << false;
        QTest::newRow("a held key presses once")
            << "Text1" << Typing{digit('7'), repeated7, repeated7, repeated7} << "7"
            << "7 " << EffectLog{"play=7.wav"} << false;
        QTest::newRow("a key held on X presses once")
            << "Command4" << Typing{held7, xRepeated7, xRepeated7, digit('7')} << "77"
            << "7 7 " << EffectLog{"play=7.wav", "play=7.wav"} << false;
        QTest::newRow("taps under a screen reader's grab each press")
            << "Text1" << Typing{grabbed0, grabbed0, digit('8'), grabbed0} << "0080"
            << "0 0 8 0 " << EffectLog{"play=0.wav", "play=0.wav", "play=8.wav", "play=0.wav"}
            << false;
        QTest::newRow("a held backspace takes one")
            << "Command1" << Typing{digit('1'), digit('2'),        digit('3'),
                                    backspace,  repeatedBackspace, repeatedBackspace}
            << "12"
            << "1 2 " << EffectLog{"play=1.wav", "play=2.wav", "play=3.wav"} << false;
        QTest::newRow("enter, escape, letters and shortcuts do nothing")
            << "Command5"
            << Typing{{Qt::Key_Return, "\r"},
                      {Qt::Key_Enter, "\r", Qt::KeypadModifier},
                      {Qt::Key_Escape, "\x1b"},
                      {Qt::Key_A, "a"},
                      {Qt::Key_1, "1", Qt::ControlModifier},
                      {Qt::Key_2, "2", Qt::AltModifier},
                      {Qt::Key_3, "3", Qt::MetaModifier},
                      {Qt::Key_Backspace, "\b", Qt::ControlModifier}}
            << ""
            << "" << EffectLog{} << false;
        QTest::newRow("space still clicks the focused button")
            << "Command8" << Typing{{Qt::Key_Space, " "}, digit('2')} << "82"
            << "8 2 " << EffectLog{"play=8.wav", "play=2.wav"} << false;
        QTest::newRow("the service code typed opens About before its last tone")
            << "Text1" << Typing{digit('*'), digit('#'), digit('7'), digit('3'),
                                 digit('9'), digit('1'), digit('#')}
            << "*#7391#"
            << " star  hash 7 3 9 1  hash "
            << EffectLog{"play=ast.wav",
                         "play=#.wav",
                         "play=7.wav",
                         "play=3.wav",
                         "play=9.wav",
                         "play=1.wav",
                         "play=#.wav (About shown)"}
            << true;
    }

    void keyIsPressOfItsButton() {
        QFETCH(QString, focused);
        QFETCH(Typing, keys);
        player.note = [this] {
            return QString(window->about().isVisible() ? " (About shown)" : "");
        };
        focus(window->findChild<QWidget*>(focused));
        type(window->windowHandle(), keys);
        QTEST(window->Text1->text(), "number");
        QTEST(window->Text2->text(), "spoken");
        QTEST(requests, "effects");
        QTEST(window->about().isVisible(), "aboutShown");
        player.note = nullptr;
    }

    // A key typed while input is held, as during a clip, takes its turn with the clicks.
    void typedKeysWaitTheirTurnWithClicks() {
        focus(window->Text1);
        {
            const HeldInput clipPlaying;
            type(window->windowHandle(), {digit('1'), digit('2')});
            window->Command3->click();
            type(window->windowHandle(), {digit('4'), backspace, digit('5')});
            QCOMPARE(window->Text1->text(), QString());
        }
        QTRY_COMPARE(window->Text1->text(), QString("1235"));
        QCOMPARE(requests,
                 (EffectLog{"play=1.wav", "play=2.wav", "play=3.wav", "play=4.wav", "play=5.wav"}));
    }

    // The number stays locked, yet it can still be selected and copied.
    void theNumberIsStillCopied() {
        focus(window->Text1);
        type(window->windowHandle(), {digit('0'), digit('8')});
        window->Text1->selectAll();
        type(window->windowHandle(), {{Qt::Key_C, "c", Qt::ControlModifier}});
        QCOMPARE(QApplication::clipboard()->text(), QString("08"));
        type(window->windowHandle(), {{Qt::Key_V, "v", Qt::ControlModifier}});
        QCOMPARE(window->Text1->text(), QString("08"));
    }

    // Typed in the About window, keys are that window's: no key of the pad is pressed.
    void aboutWindowKeepsItsKeys() {
        Form2& about = window->about();
        show(about);
        const QString testers = about.Text3->toPlainText();
        for (QWidget* control :
             {static_cast<QWidget*>(about.Text3), static_cast<QWidget*>(about.Command1)}) {
            focus(control);
            type(about.windowHandle(), {digit('1'), digit('#'), backspace});
        }
        QCOMPARE(requests, EffectLog{});
        QCOMPARE(window->Text1->text(), QString());
        QCOMPARE(about.Text3->toPlainText(), testers);
        QVERIFY(about.isVisible());
    }
};

QTEST_MAIN(TypedKeys)
#include "typed_keys_test.moc"
