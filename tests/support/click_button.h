#pragma once

#include <QPushButton>
#include <QTest>

// Clicks the button named `name` in `window` with the mouse, as a user does.
inline void clickButton(QWidget* window, const char* name) {
    auto* button = window->findChild<QPushButton*>(name);
    QVERIFY2(button != nullptr, name);
    QTest::mouseClick(button, Qt::LeftButton);
}
