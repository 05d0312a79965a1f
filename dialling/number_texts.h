#pragma once

#include <QString>

// The keypad's two texts, the number and its spoken form: the window's fields, or a test's strings.
class NumberTexts {
public:
    virtual ~NumberTexts() = default;

    virtual QString numberText() const = 0;
    // Runs the service-code check before it returns, like every change of the number.
    virtual void setNumberText(const QString& text) = 0;

    virtual QString spokenText() const = 0;
    virtual void setSpokenText(const QString& text) = 0;
};
