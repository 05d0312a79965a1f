#include "windows/form1.h"

#include "dialling/dial_number.h"
#include "dialling/number_announcer.h"
#include "output/sound/clip_player.h"
#include "windows/app.h"
#include "windows/event_handler.h"
#include "windows/window_layout.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <limits>

Form1::Form1(ClipPlayer& player, VoiceFactory makeVoice)
    : player_(player), makeVoice_(std::move(makeVoice)) {
    holdInputAfterLaterFilters();
    setObjectName("Form1");
    setWindowTitle("Quorvel");
    QIcon icon; // PNGs: the packed icon would need an image plug-in loaded at start
    for (const int size : {16, 32})
        icon.addFile(QStringLiteral(":/resources/icon%1.png").arg(size), QSize(size, size));
    setWindowIcon(icon);
    // A fixed border: minimise and close, but no maximise and no resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(twips(0, 0, 2265, 4845).size());
    setFont(windowFont());

    // A locked text box: focusable and copyable, changed only by the program, with no length limit.
    const auto textBox = [this](const char* name, QRect where) {
        auto* box = place<QLineEdit>(this, name, where);
        box->setReadOnly(true);
        box->setMaxLength(std::numeric_limits<int>::max());
        return box;
    };
    const auto button = [this](const char* name, const char* caption, QRect where,
                               void (Form1::*click)()) {
        auto* made = place<QPushButton>(this, name, where, caption);
        made->setAutoDefault(false); // no default button: Enter and Escape do nothing special
        connectClick(made, this, click);
        return made;
    };
    // Made in focus order, which Qt's focus chain follows; it is not the visual order: "Dial
    // Phone Number" comes first of the actions, and "Back Space" last, after the spoken text.
    Text1 = textBox("Text1", twips(45, 135, 2175, 330));
    Command1 = button("Command1", "1", twips(90, 630, 645, 510), &Form1::Command1_Click);
    Command2 = button("Command2", "2", twips(810, 630, 645, 510), &Form1::Command2_Click);
    Command3 = button("Command3", "3", twips(1530, 630, 645, 510), &Form1::Command3_Click);
    Command4 = button("Command4", "4", twips(90, 1170, 645, 510), &Form1::Command4_Click);
    Command5 = button("Command5", "5", twips(810, 1170, 645, 510), &Form1::Command5_Click);
    Command6 = button("Command6", "6", twips(1530, 1170, 645, 510), &Form1::Command6_Click);
    Command7 = button("Command7", "7", twips(90, 1710, 645, 510), &Form1::Command7_Click);
    Command8 = button("Command8", "8", twips(810, 1710, 645, 510), &Form1::Command8_Click);
    Command9 = button("Command9", "9", twips(1530, 1710, 645, 510), &Form1::Command9_Click);
    Command10 = button("Command10", "*", twips(90, 2295, 645, 510), &Form1::Command10_Click);
    Command11 = button("Command11", "0", twips(810, 2295, 645, 510), &Form1::Command11_Click);
    Command12 = button("Command12", "#", twips(1530, 2295, 645, 510), &Form1::Command12_Click);
    Command13 = button("Command13", "Dial Phone Number", twips(90, 4230, 2085, 555),
                       &Form1::Command13_Click);
    Command14 = button("Command14", "Clear", twips(90, 2880, 2085, 285), &Form1::Command14_Click);
    Command15 = button("Command15", "Say Phone Number", twips(90, 3600, 2085, 555),
                       &Form1::Command15_Click);
    // Below the window's fixed bottom: never seen, yet it keeps its place in the focus order.
    Text2 = textBox("Text2", twips(45, 5040, 2130, 330));
    Command16 =
        button("Command16", "Back Space", twips(90, 3195, 2085, 285), &Form1::Command16_Click);

    // For screen readers: the fields have no captions, and a bare "*" or "#" may be skipped.
    Text1->setAccessibleName("Number");
    Text1->setAccessibleDescription("The number entered on the keypad");
    Text2->setAccessibleName("Spoken number");
    Text2->setAccessibleDescription("The number as Say Phone Number reads it aloud");
    Command10->setAccessibleName("star");
    Command12->setAccessibleName("hash");

    // textChanged is emitted before setText returns, so the service-code check runs inside every
    // change of the number, as key presses, Clear, Back Space and "Close" rely on.
    connect(Text1, &QLineEdit::textChanged, this, &Form1::Text1_Change);

    // On every control: typing presses wherever the focus is, and a locked field eats Backspace.
    for (QWidget* control : findChildren<QWidget*>())
        control->installEventFilter(this);

    Text1->setFocus();
    Form_Load();
}

void Form1::Command13_Click() {
    QString number = numberText(); // a copy: the dial consumes the number it is given
    DialNumber(number, player_);
}

void Form1::Command15_Click() {
    if (Voice)
        sayNumber(*this, *Voice);
}

void Form1::Text1_Change() {
    if (isAboutCode(Text1->text()))
        about().Show();
}

void Form1::Form_Load() {
    Voice = makeVoice_(); // costs nothing: the program's voice waits for the output module's
    about_ = std::make_unique<Form2>(*this);
    about().Label25->setText(VersionLine(App));
    about().Label26->setText(App.ProductName);
    about().Label27->setText(App.LegalCopyright);
}

void Form1::silence() {
    player_.stop();
    Voice.reset();
}

void Form1::Form_Unload() {
    silence(); // the program ends at once: no dial, speech or clip goes on
    about_->hide();
    QCoreApplication::exit(0);
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

// Readied as it showed, the About window would fill in while a screen reader announced it.
void Form1::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!about().Text3)
        QTimer::singleShot(0, &about(), &Form2::prepare);
}

// A typed "0"-"9", "*" or "#" (in any layout) or Backspace clicks its button, in turn with clicks.
// A held key is one press; with Ctrl, Alt or Meta a key stays the control's own (Ctrl+C copies).
bool Form1::eventFilter(QObject*, QEvent* event) {
    const bool press = event->type() == QEvent::KeyPress;
    if (!press && event->type() != QEvent::KeyRelease)
        return false;
    const auto* typed = static_cast<QKeyEvent*>(event);
    // X repeats a held key as a release and a press at one moment, which Qt may leave unflagged.
    // A screen reader's grab sends a release at the moment of a tap's press too, with the key up.
    // Keys handed back by the screen readers' bridge have no moment at all: each press counts.
    const std::tuple moment{typed->timestamp(), typed->nativeScanCode(), typed->key()};
    const bool repeat = typed->isAutoRepeat() || (press && typed->timestamp() != 0 &&
                                                  moment == lastRelease_ && releasedWhileHeld_);
    if (!press) {
        releasedWhileHeld_ = heldKey_ == typed->key();
        lastRelease_ = moment;
    }
    heldKey_ = press ? typed->key() : 0;
    if (!press || typed->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
        return false;
    const KeyRow* row = typed->text().size() == 1 ? findKey(typed->text()[0].unicode()) : nullptr;
    QPushButton* button = typed->key() == Qt::Key_Backspace ? Command16 : nullptr;
    if (row)
        button = findChild<QPushButton*>(QString("Command%1").arg(row - KeyTable.data() + 1));
    if (button && !repeat)
        button->click();
    return button != nullptr;
}
