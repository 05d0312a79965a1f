#pragma once

#include "dialling/key_table.h"
#include "dialling/number_entry.h"

#include <QString>

#include <stdexcept>

// The pad's key for a character, as the window binds its twelve buttons.
inline const KeyRow& keyFor(char16_t character) {
    if (const KeyRow* key = findKey(character))
        return *key;
    throw std::invalid_argument("no such key");
}

// Presses the keys of `keys` one after another.
inline void pressKeys(NumberTexts& texts, ClipPlayer& player, const QString& keys) {
    for (const QChar c : keys)
        pressKey(texts, player, keyFor(c.unicode()));
}
