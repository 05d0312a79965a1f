#include "output/portaudio_library.h"

#include "output/quiet_standard_error.h"
#include "output/report_once.h"

#include <alsa/asoundlib.h>
#include <portaudio.h>

namespace {

// ALSA's own diagnostics (an underrun each time a sound ends and the device runs dry, probes of
// absent devices) would reach the user's terminal on every key press; the program reports what
// matters itself.
void ignoreAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

class PortAudioLibrary {
public:
    PortAudioLibrary() {
        snd_lib_error_set_handler(ignoreAlsaMessage);
        // The JACK back end prints its own attempts to reach a server that is not running.
        const QuietStandardError quiet;
        error_ = Pa_Initialize();
    }
    ~PortAudioLibrary() {
        if (ready())
            Pa_Terminate();
    }
    PortAudioLibrary(const PortAudioLibrary&) = delete;
    PortAudioLibrary& operator=(const PortAudioLibrary&) = delete;

    bool ready() const { return error_ == paNoError; }
    const char* errorText() const { return Pa_GetErrorText(error_); }

private:
    PaError error_;
};

} // namespace

bool portAudioReady() {
    static const PortAudioLibrary library;
    if (!library.ready())
        reportOnce(std::string("cannot start the sound system (") + library.errorText() +
                   "); key tones and speech are silent");
    return library.ready();
}
