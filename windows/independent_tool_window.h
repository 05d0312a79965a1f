#pragma once

class QWidget;

// Gives a parentless window a tool window's look (a small title bar with a close box, no icon, no
// resizing) while the program's other windows can still go in front of it. Call once, before it is
// first shown. metacity, mutter and openbox keep a Qt::Tool window (transient for the leader), or
// a utility window in the program's group, above all others: so this is an ordinary window asking
// for the utility type and leading a window group of its own.
void makeIndependentToolWindow(QWidget& window);
