#pragma once

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <initializer_list>
#include <span>

// One control of a window as the user should find it.
struct Control {
    const char* name;
    const char* kind;
    const char* container;
    const char* caption; // null where the test reads it some other way
    QRect place;         // pixels from the top-left corner of the container
    bool takesFocus;
};

// What the user reads on a control: a frame's title, or a label's, button's or text box's text.
inline QString caption(QWidget* control) {
    if (auto* frame = qobject_cast<QGroupBox*>(control))
        return frame->title();
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* button = qobject_cast<QPushButton*>(control))
        return button->text();
    if (auto* box = qobject_cast<QLineEdit*>(control))
        return box->text();
    return "<unknown kind>";
}

// A Qt Test row for each control of `table`, named after it: its index in the table.
inline void addControlRows(std::span<const Control> table) {
    QTest::addColumn<int>("row");
    for (const Control& control : table)
        QTest::newRow(control.name) << int(&control - table.data());
}

// Rows of Return, Enter and Escape pressed with the focus in each of `focuses`, by name.
inline void addEnterAndEscapeRows(std::initializer_list<const char*> focuses) {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<Qt::Key>("key");
    for (const char* focus : focuses) {
        QTest::addRow("Return in %s", focus) << focus << Qt::Key_Return;
        QTest::addRow("Enter in %s", focus) << focus << Qt::Key_Enter;
        QTest::addRow("Escape in %s", focus) << focus << Qt::Key_Escape;
    }
}

// Checks the control of `window` that `control` names against it, and that its caption shows
// whole.
inline void checkControl(QWidget* window, const Control& control) {
    auto* widget = window->findChild<QWidget*>(control.name);
    QVERIFY2(widget != nullptr, control.name);
    QCOMPARE(widget->metaObject()->className(), control.kind);
    QCOMPARE(widget->parentWidget()->objectName(), QString(control.container));
    if (control.caption)
        QCOMPARE(caption(widget), QString(control.caption));
    QCOMPARE(widget->geometry(), control.place);
    QCOMPARE(bool(widget->focusPolicy() & Qt::TabFocus), control.takesFocus);
    QVERIFY(widget->isEnabled());

    // Frames and buttons keep a few pixels of their width for their own border and padding.
    const QFontMetrics metrics = widget->fontMetrics();
    const int border = qobject_cast<QGroupBox*>(widget)     ? 16
                       : qobject_cast<QPushButton*>(widget) ? 8
                                                            : 0;
    if (!qobject_cast<QPlainTextEdit*>(widget)) {
        QVERIFY(metrics.horizontalAdvance(caption(widget)) + border <= widget->width());
        QVERIFY(metrics.height() <= widget->height());
    }
}
