#pragma once

#include "output/sound/clip_player.h"
#include "output/speech/speech_voice.h"

#include <functional>
#include <memory>

// What the sound and speech module (quorvel-output.so) hands the program, through its one entry
// `makeOutputParts`. A default-made one is silence: no speaker and no voice.
struct OutputParts {
    std::unique_ptr<ClipPlayer> speaker;
    // From any thread: cuts the speaker's sound short; every later clip returns at once.
    std::function<void()> stopSound;
    std::function<std::unique_ptr<SpeechVoice>()> makeVoice;
};

using MakeOutputParts = void(OutputParts&);
