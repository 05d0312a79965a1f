#include "dialling/number_announcer.h"

#include "output/speech/speech_voice.h"

#include <algorithm>

void sayNumber(const NumberTexts& texts, SpeechVoice& voice) {
    const QString spoken = texts.spokenText();
    if (spoken.isEmpty())
        return;

    const QString number = texts.numberText();
    const auto special = std::ranges::find_if(
        SpecialNumbers, [&number](const SpecialNumber& row) { return number == row.number; });
    voice.Speak(special != SpecialNumbers.end() ? QString::fromLatin1(special->phrase)
                                                : QStringLiteral("Telephone number: ") + spoken);
}
