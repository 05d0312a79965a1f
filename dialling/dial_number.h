#pragma once

#include <QString>

class ClipPlayer;

// Plays each character's tone as one gapless stream till heard; empties `number`, returns "".
QString DialNumber(QString& number, ClipPlayer& player);
