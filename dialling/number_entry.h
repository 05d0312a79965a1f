#pragma once

#include "dialling/key_table.h"
#include "dialling/number_texts.h"

class ClipPlayer;

// A key, in this order: its character to the number (the check runs), its token, its tone.
void pressKey(NumberTexts& texts, ClipPlayer& player, const KeyRow& key);

// Empties the number and the spoken text.
void clearNumber(NumberTexts& texts);

// Drops the last key from the number and its whole token from the spoken text.
void backSpace(NumberTexts& texts);

// The service-code check: whether the whole number is the code that opens the About window.
bool isAboutCode(const QString& number);
