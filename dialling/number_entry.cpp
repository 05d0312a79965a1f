#include "dialling/number_entry.h"

#include "output/sound/clip_path.h"
#include "output/sound/clip_player.h"

void pressKey(NumberTexts& texts, ClipPlayer& player, const KeyRow& key) {
    texts.setNumberText(texts.numberText() + QChar(key.character));
    texts.setSpokenText(texts.spokenText() + QLatin1String(key.spokenToken));
    player.PlayClip(ClipPath(QLatin1String(key.clipFile)));
}

void clearNumber(NumberTexts& texts) {
    texts.setNumberText(QString());
    texts.setSpokenText(QString());
}

void backSpace(NumberTexts& texts) {
    const QString number = texts.numberText();
    if (!number.isEmpty())
        texts.setNumberText(number.left(number.size() - 1));

    // The last key's whole token goes: "*" and "#" left six characters, a digit two. So the
    // spoken text keeps in step with the number, and the voice never reads half a word.
    QString spoken = texts.spokenText();
    if (!spoken.isEmpty()) {
        spoken.chop(spoken.endsWith(u" star ") || spoken.endsWith(u" hash ") ? 6 : 2);
        texts.setSpokenText(spoken);
    }
}

bool isAboutCode(const QString& number) {
    return number == QStringView(AboutCode);
}
