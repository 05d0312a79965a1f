#pragma once

#include <QString>

class ClipPlayer;

// Plays the tone of every character of the number, first to last, as one gapless stream, and
// returns when the last tone has been heard. Consumes the number: afterwards it holds "". Always
// returns "". Characters whose clip cannot be played are passed over silently.
QString DialNumber(QString& number, ClipPlayer& player);
