#include "output/speech/espeak_engine.h"

#include "output/report.h"

#include <espeak-ng/espeak_ng.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <string>

namespace {

// Slightly slower than espeak-ng's 175, so that a listener takes in a number at the first
// hearing.
constexpr int wordsPerMinute = 160;

// The announcements are English, and so are the key names "star" and "hash".
constexpr const char* voiceName = "en";

std::mutex engineLock;
int loadedRate = -1; // under engineLock: -1 before loading, 0 when there is no speech

// The synthesis in progress on this thread: espeak-ng's callback carries no context of ours.
struct Synthesizing {
    const SpeechSink& sink;
    bool stopped = false;
};
thread_local Synthesizing* current = nullptr;

int takeSamples(short* samples, int count, espeak_EVENT*) {
    // A null buffer marks the end of the text; an empty one does not.
    if (current == nullptr || samples == nullptr || count <= 0)
        return 0;
    if (current->sink(samples, count))
        return 0;
    current->stopped = true;
    return 1; // makes espeak-ng abandon the rest of the text
}

espeak_ng_STATUS synthesize(const char* utf8, std::size_t bytes, Synthesizing& synthesis) {
    current = &synthesis;
    const espeak_ng_STATUS status = espeak_ng_Synthesize(utf8, bytes + 1, 0, POS_CHARACTER, 0,
                                                         espeakCHARS_UTF8, nullptr, nullptr);
    current = nullptr;
    return status;
}

std::string statusText(espeak_ng_STATUS status) {
    std::array<char, 256> text{};
    espeak_ng_GetStatusCodeMessage(status, text.data(), text.size());
    return text.data();
}

// Without its dictionary espeak-ng still accepts the voice and then synthesizes nothing but
// silence, so only listening to a word shows that the voice can speak.
bool voiceMakesSound() {
    bool heard = false;
    const SpeechSink listen = [&heard](const std::int16_t* samples, long count) {
        heard =
            std::any_of(samples, samples + count, [](std::int16_t sample) { return sample != 0; });
        return !heard;
    };
    Synthesizing probe{listen};
    synthesize("1", 1, probe);
    return heard;
}

struct Loaded {
    int rate = 0;
    std::string problem; // when rate is 0
};

Loaded load() {
    espeak_ng_InitializePath(nullptr); // the system's data, or ESPEAK_DATA_PATH
    const char* dataPath = nullptr;
    espeak_Info(&dataPath);
    const std::string where = dataPath != nullptr ? dataPath : "its usual place";

    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    if (status != ENS_OK)
        return {0, "espeak-ng data not found in " + where + " (" + statusText(status) + ")"};

    // Synchronous: the samples come back to us, to play through our own stream. espeak-ng's own
    // playback reports success even when nothing can be heard.
    status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr);
    if (status != ENS_OK)
        return {0, "espeak-ng cannot synthesize (" + statusText(status) + ")"};
    espeak_SetSynthCallback(takeSamples);

    status = espeak_ng_SetVoiceByName(voiceName);
    if (status != ENS_OK)
        return {0, "espeak-ng has no English voice in " + where + " (" + statusText(status) + ")"};
    espeak_ng_SetParameter(espeakRATE, wordsPerMinute, 0);

    if (!voiceMakesSound())
        return {0, "espeak-ng's English voice in " + where +
                       " makes no sound (is its dictionary missing?)"};
    return {espeak_ng_GetSampleRate(), {}};
}

} // namespace

int loadEspeak() {
    const std::lock_guard lock(engineLock);
    if (loadedRate < 0) {
        const Loaded loaded = load();
        loadedRate = loaded.rate;
        if (loadedRate == 0)
            reportOnce("speech is unavailable: " + loaded.problem + "; Say Phone Number is silent");
    }
    return loadedRate;
}

Synthesis synthesizeSpeech(const QString& text, const SpeechSink& sink) {
    // espeak-ng reads up to the first zero byte; a stray one must not cut the request short.
    QString whole = text;
    whole.replace(QChar(u'\0'), QChar(u' '));
    const QByteArray utf8 = whole.toUtf8();

    const std::lock_guard lock(engineLock);
    if (loadedRate <= 0)
        return Synthesis::failed;
    Synthesizing synthesis{sink};
    const espeak_ng_STATUS status =
        synthesize(utf8.constData(), static_cast<std::size_t>(utf8.size()), synthesis);
    if (synthesis.stopped)
        return Synthesis::stopped;
    if (status != ENS_OK) {
        reportOnce("speech could not read a request (" + statusText(status) + "); it was skipped");
        return Synthesis::failed;
    }
    return Synthesis::finished;
}
