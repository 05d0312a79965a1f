#pragma once

class QWidget;

// Gives a parentless window the look of a tool window (a reduced title bar with a close box, no
// icon, no resizing) while keeping it a top-level window of its own, which every other window of
// the program can go in front of. Call once, before the window is first shown.
//
// Qt marks a parentless Qt::Tool window transient for the program's invisible leader window;
// metacity, mutter and openbox then keep it above every window of the program, and so does any
// utility-type window that shares the program's window group. So the window is an ordinary one
// that asks the window manager for the utility type, and leads a window group of its own.
void makeIndependentToolWindow(QWidget& window);
