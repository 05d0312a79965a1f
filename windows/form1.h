#pragma once

#include "dialling/number_entry.h"
#include "output/speech/speech_voice.h"
#include "windows/form2.h"

#include <QLineEdit>
#include <QWidget>

#include <functional>
#include <memory>
#include <tuple>

class ClipPlayer;
class QPushButton;

// The keypad window: the number field, twelve keys, four actions, and the spoken text in a field
// below the visible area. It holds the texts and the voice; closing it ends the program.
class Form1 final : public QWidget, public NumberTexts {
    Q_OBJECT

public:
    using VoiceFactory = std::function<std::unique_ptr<SpeechVoice>()>;

    // Builds and loads the window; the caller shows it. Closing it stops `player` for good.
    Form1(ClipPlayer& player, VoiceFactory makeVoice);

    QString numberText() const override { return Text1->text(); }
    void setNumberText(const QString& text) override { Text1->setText(text); }
    QString spokenText() const override { return Text2->text(); }
    void setSpokenText(const QString& text) override { Text2->setText(text); }

    Form2& about() { return *about_; } // the About window, made hidden as the keypad loads

    // The twelve keys, in the order of KeyTable.
    void Command1_Click() { key(0); }
    void Command2_Click() { key(1); }
    void Command3_Click() { key(2); }
    void Command4_Click() { key(3); }
    void Command5_Click() { key(4); }
    void Command6_Click() { key(5); }
    void Command7_Click() { key(6); }
    void Command8_Click() { key(7); }
    void Command9_Click() { key(8); }
    void Command10_Click() { key(9); }
    void Command11_Click() { key(10); }
    void Command12_Click() { key(11); }
    void Command13_Click();
    void Command14_Click() { clearNumber(*this); }
    void Command15_Click();
    void Command16_Click() { backSpace(*this); }
    void Text1_Change();
    void Form_Load();
    void Form_Unload();

    void silence(); // cuts the sound and the voice short: the program is ending

    // The controls, by name, in focus order.
    QLineEdit* Text1;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command7;
    QPushButton* Command8;
    QPushButton* Command9;
    QPushButton* Command10;
    QPushButton* Command11;
    QPushButton* Command12;
    QPushButton* Command13;
    QPushButton* Command14;
    QPushButton* Command15;
    QLineEdit* Text2;
    QPushButton* Command16;

    std::unique_ptr<SpeechVoice> Voice;

protected:
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void key(std::size_t index) { pressKey(*this, player_, KeyTable[index]); }

    ClipPlayer& player_;
    const VoiceFactory makeVoice_;
    std::unique_ptr<Form2> about_;
    std::tuple<quint64, quint32, int> lastRelease_; // when, and which key, the last one let go
    bool releasedWhileHeld_ = false;                // and whether it was down until then
    int heldKey_ = 0;                               // pressed last and not let go since
};
