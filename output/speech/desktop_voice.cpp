#include "output/speech/desktop_voice.h"

#include "output/report.h"
#include "output/speech/speech_dispatcher_connection.h"

#include <QByteArray>

#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>

namespace {

using Clock = std::chrono::steady_clock;

// The server libspeechd starts when none is running.
constexpr const char* serverProgram = "/usr/bin/speech-dispatcher";

std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n' || c == '\r')
            c = ' ';
    return text;
}

// Closing a connection asks the server to cancel our speech, and a server may be slow to
// answer: a connection nobody will use is closed where no one waits for it.
void closeInTheBackground(std::unique_ptr<SpeechDispatcherConnection> connection) {
    if (connection)
        std::thread([owned = std::move(connection)]() mutable { owned.reset(); }).detach();
}

} // namespace

// Meeting point of the voice and the thread that connects to the service, which may outlive the
// voice when the service never answers.
struct DesktopVoice::Opening {
    std::mutex mutex;
    std::condition_variable changed;
    bool answered = false;
    std::unique_ptr<SpeechDispatcherConnection> connection;
    std::string problem;
    bool closing = false;   // the voice is ending
    bool abandoned = false; // nobody will take the connection any more
};

// The built-in voice, made when it is first needed: at the start, or when the service stops
// answering. Reached from the service voice's thread, which may outlive this voice.
struct DesktopVoice::Fallback {
    explicit Fallback(EspeakVoiceWatch seen) : watch(std::move(seen)) {}

    void speak(const QString& text) {
        const std::lock_guard lock(mutex);
        if (closed)
            return;
        if (!voice)
            voice = std::make_unique<EspeakVoice>(watch);
        voice->Speak(text);
    }

    void close() {
        std::unique_ptr<EspeakVoice> ending;
        {
            const std::lock_guard lock(mutex);
            closed = true;
            ending = std::move(voice);
        }
    }

    std::mutex mutex;
    const EspeakVoiceWatch watch;
    std::unique_ptr<EspeakVoice> voice;
    bool closed = false;
};

DesktopVoice::DesktopVoice() : DesktopVoice(DesktopVoiceWatch{}) {}

DesktopVoice::DesktopVoice(DesktopVoiceWatch watch)
    : watch_(std::move(watch)), opening_(std::make_shared<Opening>()),
      fallback_(std::make_shared<Fallback>(watch_.espeak)), chooser_([this] { choose(); }) {}

DesktopVoice::~DesktopVoice() {
    {
        const std::lock_guard lock(opening_->mutex);
        opening_->closing = true;
    }
    opening_->changed.notify_all();
    chooser_.join(); // it waits for nothing but the answer, or this

    std::unique_ptr<SpeechDispatcherVoice> service;
    {
        const std::lock_guard lock(mutex_);
        service = std::move(speechDispatcher_);
        waiting_.clear();
    }
    service.reset();
    fallback_->close();
}

void DesktopVoice::Speak(const QString& text) {
    const std::lock_guard lock(mutex_);
    if (speechDispatcher_)
        speechDispatcher_->Speak(text);
    else if (espeakChosen_)
        fallback_->speak(text);
    else
        waiting_.push_back(text);
}

void DesktopVoice::choose() {
    const auto deadline = Clock::now() + connectionBound;
    // libspeechd may wait for ever on a server that accepts connections and never answers, so
    // it is asked on a thread that can be left behind.
    std::thread([opening = opening_] {
        blockBrokenPipeSignal();
        std::string problem;
        std::unique_ptr<SpeechDispatcherConnection> connection =
            SpeechDispatcherConnection::open(problem);
        std::unique_lock lock(opening->mutex);
        if (opening->abandoned) {
            lock.unlock();
            connection.reset();
            return;
        }
        opening->answered = true;
        opening->connection = std::move(connection);
        opening->problem = oneLine(problem);
        lock.unlock();
        opening->changed.notify_all();
    }).detach();

    std::unique_lock lock(opening_->mutex);
    opening_->changed.wait_until(lock, deadline,
                                 [this] { return opening_->answered || opening_->closing; });
    std::unique_ptr<SpeechDispatcherConnection> connection = std::move(opening_->connection);
    const bool answered = opening_->answered;
    const bool closing = opening_->closing;
    const std::string problem = opening_->problem;
    opening_->abandoned = true; // a late answer is closed by the thread that gets it
    lock.unlock();
    if (closing) {
        closeInTheBackground(std::move(connection));
        return;
    }

    if (connection) {
        auto voice = std::make_unique<SpeechDispatcherVoice>(
            std::move(connection),
            [fallback = fallback_](const QString& text) { fallback->speak(text); },
            watch_.speechDispatcher);
        {
            const std::lock_guard choice(mutex_);
            for (const QString& text : waiting_)
                voice->Speak(text);
            waiting_.clear();
            speechDispatcher_ = std::move(voice);
        }
        if (watch_.chosen)
            watch_.chosen(ChosenVoice::speechDispatcher);
        return;
    }

    if (speechDispatcherExpected()) {
        const std::string why =
            answered ? problem
                     : "no answer within " + std::to_string(connectionBound.count()) + " ms";
        report("speech-dispatcher cannot be reached (" + why +
               "); speaking with the built-in espeak-ng voice");
    }
    {
        const std::lock_guard choice(mutex_);
        for (const QString& text : waiting_)
            fallback_->speak(text);
        waiting_.clear();
        espeakChosen_ = true;
    }
    if (watch_.chosen)
        watch_.chosen(ChosenVoice::espeak);
}

bool speechDispatcherExpected() {
    const char* address = std::getenv("SPEECHD_ADDRESS");
    if (address != nullptr && *address != '\0')
        return true;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        const QByteArray socket = QByteArray(runtime) + "/speech-dispatcher/speechd.sock";
        if (access(socket.constData(), F_OK) == 0)
            return true;
    }
    return access(serverProgram, X_OK) == 0;
}
