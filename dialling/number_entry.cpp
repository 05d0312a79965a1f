#include "dialling/number_entry.h"

#include "output/sound/clip_path.h"
#include "output/sound/clip_player.h"

#include <algorithm>

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

    // The last key's whole token goes, so the voice never reads half a word.
    const QString spoken = texts.spokenText();
    const auto last = std::ranges::find_if(KeyTable, [&spoken](const KeyRow& key) {
        return spoken.endsWith(QLatin1String(key.spokenToken));
    });
    if (last != KeyTable.end())
        texts.setSpokenText(spoken.chopped(qstrlen(last->spokenToken)));
}

bool isAboutCode(const QString& number) {
    return number == QStringView(AboutCode);
}
