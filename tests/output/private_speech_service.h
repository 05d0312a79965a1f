#pragma once

#include <QString>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// A child process of the test, ended by its pid within a bound.
class ChildProcess {
public:
    ChildProcess(const std::vector<std::string>& arguments, const QString& output);
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool running();
    // Whether it ended within the timeout.
    bool waitForEnd(std::chrono::milliseconds timeout);
    // Resumes it if stopped, asks it to end, and kills it when it does not within a second.
    void stop();

private:
    pid_t pid_ = -1;
};

// A desktop's speech for one test: a private PulseAudio server with a paced null sink recorded
// from its monitor, and when asked a private speech-dispatcher playing into it, with the user's
// settings file `userSettings`. This process's environment points at them (also the ALSA
// default, so the built-in voice plays into the same sink); nothing outside is touched.
class PrivateSpeechService {
public:
    static constexpr int sampleRate = 22050;

    explicit PrivateSpeechService(bool withServer, const std::string& userSettings = "");
    ~PrivateSpeechService();

    bool ready() const { return ready_; }
    QString directory() const { return directory_; }
    pid_t serverPid() const;
    pid_t soundServerPid() const { return sound_ ? sound_->pid() : -1; }
    // The server's espeak-ng module, or -1.
    pid_t modulePid() const;

    // Everything recorded from the sink so far, 16-bit mono at sampleRate.
    std::vector<std::int16_t> recorded() const;
    // Waits until the recording holds speech; false after the timeout.
    bool waitForSound(std::chrono::milliseconds timeout) const;
    // Whether the last `span` of the recording holds no speech.
    bool silentAtTheEnd(std::chrono::milliseconds span) const;

private:
    QString directory_;
    std::unique_ptr<ChildProcess> sound_, recorder_, server_;
    bool ready_ = false;
};

// espeak-ng's own command-line rendering of `text`, at its default rate, in `language`.
std::vector<std::int16_t> espeakRendering(const QString& text, const QString& scratch,
                                          const char* language = "en");

// The lengths of the spoken stretches, in seconds: sound louder than a whisper, split at pauses
// of at least 100 ms.
std::vector<double> spokenStretches(const std::vector<std::int16_t>& samples);
double sum(const std::vector<double>& values);

// The average shape of the spectrum of the sound's voiced parts (log power in 16 bands), which
// tells one language's rendering of a text from another's; and the distance between two.
std::vector<double> spectralShape(const std::vector<std::int16_t>& samples);
double distance(const std::vector<double>& a, const std::vector<double>& b);
