#include "output/sound/portaudio_library.h"

#include "output/report.h"

#include <alsa/asoundlib.h>
#include <dlfcn.h>
#include <portaudio.h>

namespace {

// ALSA's own diagnostics (an underrun each time a sound ends and the device runs dry, probes of
// absent devices) would reach the user's terminal on every key press; the program reports what
// matters itself.
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void ignoreJackMessage(const char*) {}

// PortAudio's JACK back end prints its attempts to reach a JACK server that is not running.
// JACK is loaded with PortAudio where its back end is built in; its messages are turned off
// through JACK's own hooks, found at run time so that a PortAudio without JACK works as well.
void quietJack() {
    using SetMessageFunction = void (*)(void (*)(const char*));
    for (const char* name : {"jack_set_error_function", "jack_set_info_function"}) {
        if (void* symbol = dlsym(RTLD_DEFAULT, name))
            reinterpret_cast<SetMessageFunction>(symbol)(ignoreJackMessage);
    }
}

PaError startPortAudio() {
    snd_lib_error_set_handler(ignoreAlsaMessage);
    quietJack();
    return Pa_Initialize();
}

} // namespace

bool portAudioReady() {
    // Never terminated: a device thread that a stalled device holds may still be inside
    // PortAudio when the program ends.
    static const PaError started = startPortAudio();
    if (started != paNoError)
        reportOnce(std::string("cannot start the sound system (") + Pa_GetErrorText(started) +
                   "); key tones and speech are silent");
    return started == paNoError;
}
