#pragma once

class QWidget;

// Gives a parentless window a tool window's look (a reduced title bar with a close box, no icon,
// no resizing) while keeping it a top-level window that the program's other windows can go in
// front of. Call once, before the window is first shown. Qt makes a Qt::Tool window transient for
// the program's leader window, and metacity, mutter and openbox keep such a window, or any
// utility window in the program's window group, above all the others: so this one is an ordinary
// window asking for the utility type and leading a window group of its own.
void makeIndependentToolWindow(QWidget& window);
