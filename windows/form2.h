#pragma once

#include <QWidget>

class NumberTexts;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// The About window: name, version, web address, copyright, a picture and the beta testers. Made
// once; a window of its own, owned by no other, so the keypad window can come in front of it.
class Form2 final : public QWidget {
    Q_OBJECT

public:
    // `mainTexts` are the keypad window's number and spoken text, which "Close" empties.
    explicit Form2(NumberTexts& mainTexts);

    void Show(); // without blocking; when already shown, brings it to the front

    // "Close": hides the window, then empties the number and the spoken text.
    void Command1_Click();

    void setVisible(bool visible) override;

    // Makes what only a shown window needs, once: before the first showing, and at the latest then.
    void prepare();

    // The controls, by name, in focus order; Text3, Command1 and Image1 exist once prepared.
    QGroupBox* Frame2;
    QGroupBox* Frame3;
    QPlainTextEdit* Text3 = nullptr;
    QLabel* Label27;
    QLabel* Label26;
    QLabel* Label25;
    QLabel* Label24;
    QPushButton* Command1 = nullptr;
    QLabel* Image1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    NumberTexts& mainTexts_;
};

// The maker named in the window, and its tester list: lines ended by CR LF, the last one too.
extern const char* const MakerWebAddress;
extern const char* const TesterList;
