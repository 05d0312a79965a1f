#pragma once

#include "output/sound/clip_player.h"
#include "output/speech/speech_voice.h"

#include <functional>
#include <memory>

// What the sound and speech module hands the program; empty is silence.
struct OutputParts {
    std::unique_ptr<ClipPlayer> speaker;
    std::function<std::unique_ptr<SpeechVoice>()> makeVoice;
};

// The module's entry: the program loads the module and calls this by name.
extern "C" [[gnu::visibility("default")]] void makeOutputParts(OutputParts& parts);
