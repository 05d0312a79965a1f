#include "output/output_parts.h"

#include "output/sound/device_clip_player.h"
#include "output/speech/desktop_voice.h"

void makeOutputParts(OutputParts& parts) {
    parts.speaker = std::make_unique<DeviceClipPlayer>();
    parts.makeVoice = [] { return std::make_unique<DesktopVoice>(); };
}
