#include "dialling/dial_number.h"

#include "dialling/key_table.h"
#include "output/sound/clip_path.h"
#include "output/sound/clip_player.h"

#include <QStringList>

QString DialNumber(QString& number, ClipPlayer& player) {
    // Only the names are gathered up front; the player reads each clip when its turn comes.
    QStringList paths;
    paths.reserve(number.size());
    // A key sounds its own clip only: no "*.wav" is asked for, so a stray file of that name can
    // never sound the key twice.
    for (const QChar c : std::as_const(number)) {
        const KeyRow* key = findKey(c.unicode());
        paths.append(ClipPath(key ? QString::fromLatin1(key->clipFile) : QString(c) + ".wav"));
    }
    number.clear();
    player.PlayClips(paths);
    return QString();
}
