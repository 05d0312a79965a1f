#include "dialling/number_entry.h"

#include "output/sound/clip_path.h"
#include "output/sound/clip_player.h"

namespace {

const QString starToken = QStringLiteral(" star ");
const QString hashToken = QStringLiteral(" hash ");

// Length of the token that the last key left at the end of the spoken text. "*" and "#" leave
// six characters, digits two; removing the whole token keeps the spoken text in step with the
// number, so the voice never reads out half a word.
qsizetype lastTokenLength(const QString& spoken) {
    if (spoken.endsWith(starToken) || spoken.endsWith(hashToken))
        return starToken.size();
    return 2;
}

} // namespace

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

    const QString spoken = texts.spokenText();
    if (!spoken.isEmpty())
        texts.setSpokenText(
            spoken.left(qMax<qsizetype>(0, spoken.size() - lastTokenLength(spoken))));
}

bool isAboutCode(const QString& number) {
    return number == QStringView(AboutCode);
}
