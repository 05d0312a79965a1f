#include "dialling/number_announcer.h"

#include "output/speech/speech_voice.h"

void sayNumber(const NumberTexts& texts, SpeechVoice& voice) {
    const QString spoken = texts.spokenText();
    if (spoken.isEmpty())
        return;

    const QString number = texts.numberText();
    for (const SpecialNumber& special : SpecialNumbers) {
        if (number == QLatin1String(special.number)) {
            voice.Speak(QString::fromLatin1(special.phrase));
            return;
        }
    }
    voice.Speak(QStringLiteral("Telephone number: ") + spoken);
}
