#include "dialling/dial_number.h"

#include "dialling/key_table.h"
#include "output/sound/clip_path.h"
#include "output/sound/clip_player.h"

#include <QStringList>

QString DialNumber(QString& number, ClipPlayer& player) {
    QStringList paths;
    // A key's own clip only: a stray "*.wav" must never sound the key twice.
    for (const QChar c : std::as_const(number)) {
        const KeyRow* key = findKey(c.unicode());
        paths.append(ClipPath(key ? QString::fromLatin1(key->clipFile) : QString(c) + ".wav"));
    }
    number.clear();
    player.PlayClips(paths);
    return QString();
}
