// Plays a number on the default sound output, key by key (PlayClip per key, as the keypad does)
// and then as one dial (PlayClips), for bench/loaded_dial.sh to record and decode.
//   dial_bench DIGITS

#include "dialling/key_table.h"
#include "output/sound/clip_path.h"
#include "output/sound/device_clip_player.h"

#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::fputs("usage: dial_bench DIGITS\n", stderr);
        return 2;
    }
    QStringList clips;
    for (const QChar c : QString::fromLatin1(argv[1]))
        if (const KeyRow* key = findKey(c.unicode()))
            clips.append(ClipPath(QString::fromLatin1(key->clipFile)));
    DeviceClipPlayer player;
    for (const QString& clip : clips)
        player.PlayClip(clip);
    player.PlayClips(clips);
    return 0;
}
