#pragma once

#include "dialling/key_table.h"
#include "dialling/number_texts.h"

class ClipPlayer;

// A key, in this order: its character to the number (the check runs), its token, its tone.
void pressKey(NumberTexts& texts, ClipPlayer& player, const KeyRow& key);

void clearNumber(NumberTexts& texts); // empties the number and the spoken text

void backSpace(NumberTexts& texts); // the last key from the number, its whole token from the text

bool isAboutCode(const QString& number); // the service-code check, on the whole number
