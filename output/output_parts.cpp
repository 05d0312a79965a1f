// The sound and speech module's entry: the program loads the module and calls this by name.

#include "output/output_parts.h"

#include "output/sound/device_clip_player.h"
#include "output/speech/desktop_voice.h"

extern "C" [[gnu::visibility("default")]] void makeOutputParts(OutputParts& parts) {
    parts.speaker = std::make_unique<DeviceClipPlayer>();
    parts.makeVoice = [] { return std::make_unique<DesktopVoice>(); };
}

static_assert(std::is_same_v<decltype(makeOutputParts), MakeOutputParts>);
