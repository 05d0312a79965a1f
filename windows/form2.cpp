#include "windows/form2.h"

#include "dialling/number_entry.h"
#include "windows/event_handler.h"
#include "windows/independent_tool_window.h"
#include "windows/window_layout.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShowEvent>

const char* const MakerWebAddress = "www.harrowlane.example";
const char* const TesterList = "Harrow Lane Software Quorvel\r\n"
                               "--------------------\r\n"
                               "Mira Castellan\r\n";

Form2::Form2(NumberTexts& mainTexts) : mainTexts_(mainTexts) {
    setObjectName("Form2");
    setWindowTitle("About");
    setFixedSize(twips(0, 0, 5730, 3780).size());
    setFont(windowFont());
    setAttribute(Qt::WA_QuitOnClose, false); // only the keypad window's closing ends the program

    // Made in focus order; the tester list, "Close", the picture and styles come with prepare.
    Frame2 = place<QGroupBox>(this, "Frame2", twips(45, 45, 5670, 3420), "About");
    Frame3 = place<QGroupBox>(Frame2, "Frame3", twips(105, 1365, 5415, 1950), "Beta Testers");
    Label27 = place<QLabel>(Frame2, "Label27", twips(105, 1050, 2055, 255), "Copyright ");
    Label26 = place<QLabel>(Frame2, "Label26", twips(105, 210, 5430, 255), "Program name");
    Label25 = place<QLabel>(Frame2, "Label25", twips(105, 420, 5475, 255), "Version");
    Label24 = place<QLabel>(Frame2, "Label24", twips(105, 735, 5385, 255), MakerWebAddress);

    // Opaque, as it ends left of the picture; the labels above cross it, so stay transparent.
    Label27->setAutoFillBackground(true);

    // Unnamed, every control inside a frame would be read out as the frame's caption, "About".
    Frame2->setAccessibleName(Frame2->title());
    Frame3->setAccessibleName(Frame3->title());
    Label24->setAccessibleDescription("The maker's web address");
}

void Form2::setVisible(bool visible) {
    if (visible)
        prepare();
    QWidget::setVisible(visible);
}

void Form2::prepare() {
    if (Text3)
        return;
    // A frame's caption sits on its top border, so the labels placed just below it stay clear of
    // the line; the platform style would draw the border under the whole caption instead.
    for (QGroupBox* frame : {Frame2, Frame3})
        frame->setStyleSheet(
            QStringLiteral("QGroupBox { border: 2px groove palette(mid); margin-top: %1px; }"
                           "QGroupBox::title { subcontrol-origin: margin; left: 6px; "
                           "padding: 0px 2px; }")
                .arg(fontMetrics().height() / 2));

    Text3 = place<QPlainTextEdit>(Frame3, "Text3", twips(105, 210, 5160, 1590));
    Text3->setPlainText(QString::fromLatin1(TesterList));
    Text3->setReadOnly(true);
    Text3->setTabChangesFocus(true);
    Text3->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    Text3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text3->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QFont font(QStringLiteral("MS Sans Serif"), -1, QFont::Bold);
    font.setPointSizeF(9.75);
    Text3->setFont(font);
    QPalette colours = Text3->palette();
    colours.setColor(QPalette::Base, QColor(192, 192, 192));
    colours.setColor(QPalette::Text, Qt::white);
    Text3->setPalette(colours);
    Text3->setAccessibleName("Beta testers");

    Command1 = place<QPushButton>(this, "Command1", twips(4275, 3510, 1365, 240), "Close");
    Command1->setAutoDefault(false);
    connectClick(Command1, this, &Form2::Command1_Click);

    Image1 = place<QLabel>(Frame2, "Image1", twips(2835, 240, 2670, 1095));
    Image1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Image1->setPixmap(QPixmap(QStringLiteral(":/resources/about.bmp")));
    Image1->lower(); // beneath the labels that cross it, so their text is drawn over it
    Image1->setAccessibleName("Quorvel logo");
    Image1->setAccessibleDescription("A mobile telephone with a keypad, sound waves coming from "
                                     "it, beside the word Quorvel over a wavy line");
    makeIndependentToolWindow(*this);
}

void Form2::Show() {
    show();
    raise();
    activateWindow();
}

void Form2::Command1_Click() {
    hide();
    clearNumber(mainTexts_);
}

void Form2::showEvent(QShowEvent* event) {
    // Each showing starts at the tester list, the first control in focus order to take the focus.
    if (!event->spontaneous())
        Text3->setFocus();
    QWidget::showEvent(event);
}

void Form2::closeEvent(QCloseEvent* event) {
    event->ignore(); // the close box only puts the window away; the number stays as it is
    hide();
}
