#include "output/portaudio_library.h"

#include "output/quiet_standard_error.h"
#include "output/report_once.h"

#include <portaudio.h>

namespace {

class PortAudioLibrary {
public:
    PortAudioLibrary() {
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
