#pragma once

#include <QString>

class ClipPlayer;

// Plays every character's tone, first to last, as one gapless stream, and returns when the last has
// been heard; unplayable ones are passed over. Empties `number`, and returns "".
QString DialNumber(QString& number, ClipPlayer& player);
