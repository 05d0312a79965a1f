#pragma once

#include "output/sound/clip_player.h"
#include "output/speech/speech_voice.h"

#include <functional>
#include <memory>

// What the sound and speech module hands the program through `makeOutputParts`; empty is silence.
struct OutputParts {
    std::unique_ptr<ClipPlayer> speaker;
    std::function<std::unique_ptr<SpeechVoice>()> makeVoice;
};

using MakeOutputParts = void(OutputParts&);
