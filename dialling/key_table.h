#pragma once

#include <array>

// One key: the character it adds to the number, the token it adds to the spoken text (a digit's
// trailing blank has it read alone; "*" and "#" are read as words) and the clip of its tone.
struct KeyRow {
    char16_t character;
    const char* spokenToken;
    const char* clipFile;
};

// The twelve keys in the order of their buttons Command1 .. Command12.
inline constexpr std::array<KeyRow, 12> KeyTable{{
    {u'1', "1 ", "1.wav"},
    {u'2', "2 ", "2.wav"},
    {u'3', "3 ", "3.wav"},
    {u'4', "4 ", "4.wav"},
    {u'5', "5 ", "5.wav"},
    {u'6', "6 ", "6.wav"},
    {u'7', "7 ", "7.wav"},
    {u'8', "8 ", "8.wav"},
    {u'9', "9 ", "9.wav"},
    {u'*', " star ", "ast.wav"},
    {u'0', "0 ", "0.wav"},
    {u'#', " hash ", "#.wav"},
}};

// The key that adds `character` to the number, or null when none does.
constexpr const KeyRow* findKey(char16_t character) {
    for (const KeyRow& key : KeyTable)
        if (key.character == character)
            return &key;
    return nullptr;
}

inline constexpr char16_t AboutCode[] = u"*#7391#"; // as the whole number, opens About
