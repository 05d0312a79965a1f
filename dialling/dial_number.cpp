#include "dialling/dial_number.h"

#include "dialling/key_table.h"
#include "output/sound/clip_path.h"
#include "output/sound/clip_player.h"

#include <QStringList>

QString DialNumber(QString& number, ClipPlayer& player) {
    QStringList paths;
    // A key's own clip only ("*" sounds once, from "ast.wav"); a character no key makes is silent.
    for (const QChar c : std::as_const(number))
        if (const KeyRow* key = findKey(c.unicode()))
            paths.append(ClipPath(QLatin1String(key->clipFile)));
    number.clear();
    player.PlayClips(paths);
    return QString();
}
