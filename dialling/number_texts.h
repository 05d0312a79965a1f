#pragma once

#include <QString>

// The two texts the keypad keeps: the number as keyed in, and its spoken form. The main window
// holds them in its two fields; tests hold them in plain strings.
class NumberTexts {
public:
    virtual ~NumberTexts() = default;

    virtual QString numberText() const = 0;
    // Runs the service-code check before it returns, like every change of the number.
    virtual void setNumberText(const QString& text) = 0;

    virtual QString spokenText() const = 0;
    virtual void setSpokenText(const QString& text) = 0;
};
