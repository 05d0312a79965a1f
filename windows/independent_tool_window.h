#pragma once

class QWidget;

// Gives a parentless window a tool window's look (small title bar, close box, no icon, no resizing)
// while the program's other windows can still come in front of it; call before it is first shown.
// metacity, mutter and openbox keep a Qt::Tool window, or a utility window in the program's group,
// above all others: so this is an ordinary window of utility type leading a group of its own.
void makeIndependentToolWindow(QWidget& window);
