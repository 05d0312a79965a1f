#pragma once

#include "dialling/number_texts.h"

#include <array>

class SpeechVoice;

// Numbers that are answered with a fixed phrase instead of being read out, tested in this order.
struct SpecialNumber {
    const char* number;
    const char* phrase;
};

inline constexpr std::array<SpecialNumber, 4> SpecialNumbers{{
    {"118118", "1 1 8 1 1 8. Got your number!"},
    {"999", "Why are you ringing this? ring the real number dip shit!"},
    {"***", "Twinkle. Twinkle little star. i wonder what you are."},
    {"08001690169", "Fag addict. Don't dial it here! ring the fucking number for real!"},
}};

// "Say Phone Number": queues at most one announcement on the voice and returns at once.
void sayNumber(const NumberTexts& texts, SpeechVoice& voice);
