#include "output/speech/espeak_engine.h"

#include "output/report.h"

#include <espeak-ng/espeak_ng.h>

#include <algorithm>
#include <array>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Slightly slower than espeak-ng's 175, so that a listener takes in a number at first hearing.
constexpr int wordsPerMinute = 160;
// The announcements are English, and so are the key names "star" and "hash".
constexpr const char* voiceName = "en";

std::mutex engineLock; // espeak-ng is not thread-safe

// Receives the samples of the synthesis in progress; false stops it there.
using Sink = std::function<bool(const std::int16_t*, long)>;

int takeSamples(short* samples, int count, espeak_EVENT* events) {
    // A null buffer marks the end of the text, an empty one does not; 1 abandons the rest.
    if (samples == nullptr || count <= 0 || events == nullptr || events->user_data == nullptr)
        return 0;
    return (*static_cast<Sink*>(events->user_data))(samples, count) ? 0 : 1;
}

espeak_ng_STATUS synthesize(const QByteArray& utf8, Sink to) {
    const std::lock_guard lock(engineLock);
    return espeak_ng_Synthesize(utf8.constData(), std::size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                                espeakCHARS_UTF8, nullptr, &to);
}

std::string statusText(espeak_ng_STATUS status) {
    std::array<char, 256> text{};
    espeak_ng_GetStatusCodeMessage(status, text.data(), text.size());
    return text.data();
}

// Returns the sample rate, or 0 after saying why on standard error.
int load() {
    espeak_ng_InitializePath(nullptr); // the system's data, or ESPEAK_DATA_PATH
    const char* dataPath = nullptr;
    espeak_Info(&dataPath);
    const std::string where = dataPath != nullptr ? dataPath : "its usual place";
    const auto unavailable = [](const std::string& problem) {
        report("speech is unavailable: " + problem + "; Say Phone Number is silent");
        return 0;
    };

    espeak_ng_ERROR_CONTEXT context = nullptr;
    espeak_ng_STATUS status = espeak_ng_Initialize(&context);
    espeak_ng_ClearErrorContext(&context);
    if (status != ENS_OK)
        return unavailable("espeak-ng data not found in " + where + " (" + statusText(status) +
                           ")");
    // The samples come back to us: espeak-ng's own playback claims success even when silent.
    status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr);
    if (status != ENS_OK)
        return unavailable("espeak-ng cannot synthesize (" + statusText(status) + ")");
    status = espeak_ng_SetVoiceByName(voiceName);
    if (status != ENS_OK)
        return unavailable("espeak-ng has no English voice in " + where + " (" +
                           statusText(status) + ")");
    espeak_SetSynthCallback(takeSamples);
    espeak_ng_SetParameter(espeakRATE, wordsPerMinute, 0);
    bool heard = false; // without its dictionary, espeak-ng takes the voice but makes only silence
    synthesize("1", [&heard](const std::int16_t* samples, long count) {
        heard = std::any_of(samples, samples + count, [](std::int16_t s) { return s != 0; });
        return !heard;
    });
    if (!heard)
        return unavailable("espeak-ng's English voice in " + where +
                           " makes no sound (is its dictionary missing?)");
    return espeak_ng_GetSampleRate();
}

// espeak-ng 1.51 looks for a sound server while it loads, though it never plays here itself: a
// hung server would hold the load for libpulse's 30 s. So it loads once, on a thread of its own,
// and is waited for at most `bound`. The sample rate, 0 when it cannot speak, -1 while loading.
int sampleRate(std::chrono::milliseconds bound) {
    static const std::shared_future<int> loading = [] {
        std::packaged_task<int()> task(load);
        std::shared_future<int> loaded = task.get_future().share();
        std::thread(std::move(task)).detach();
        return loaded;
    }();
    return loading.wait_for(bound) == std::future_status::ready ? loading.get() : -1;
}

} // namespace

EspeakEngine::EspeakEngine() : sampleRate_(sampleRate(loadBound)) {}

void EspeakEngine::speak(const QString& text) {
    if (sampleRate_ < 0)
        sampleRate_ = sampleRate(std::chrono::milliseconds(0));
    if (sampleRate_ < 0)
        reportOnce("the built-in espeak-ng voice is still loading (does the sound server "
                   "answer?); Say Phone Number is silent until it has");
    if (!speaks() || stream_.stopped())
        return;
    // espeak-ng reads up to the first zero byte; a stray one must not cut the request short.
    const QByteArray utf8 = QString(text).replace(QChar(u'\0'), QChar(u' ')).toUtf8();
    bool cut = false; // by the stream: no device, a stalled one, or stop()
    // Each piece plays as soon as it exists; the device's pace holds the synthesis back.
    const espeak_ng_STATUS status = synthesize(utf8, [&](const std::int16_t* samples, long count) {
        cut = cut || !stream_.write(PcmFormat{1, sampleRate_}, samples, count);
        return !cut;
    });
    if (status != ENS_OK && !cut)
        reportOnce("speech could not read a request (" + statusText(status) + "); it was skipped");
    stream_.drain(); // the next request starts only once this one has been heard
}
