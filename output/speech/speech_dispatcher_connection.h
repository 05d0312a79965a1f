#pragma once

#include <QString>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

// One connection to the desktop's speech service, speech-dispatcher, through libspeechd.
// libspeechd's calls wait for the server's answer without any limit, so they belong on a thread
// that may be left waiting; breakOff() is the way to free such a thread from any other one.
// The connection asks to hear when each of its messages begins and ends; it sets nothing that
// changes how speech sounds, so the user's own settings apply.
class SpeechDispatcherConnection {
public:
    using Clock = std::chrono::steady_clock;
    // What the server reports about our messages; the connection's own business.
    struct Events;

    // Connects to the user's server, starting it first when it is not running (and the user has
    // not switched that off). Blocks until the server answers or refuses; `problem` says why
    // there is no connection.
    static std::unique_ptr<SpeechDispatcherConnection> open(std::string& problem);

    // Forgets the server's messages of this connection and closes it. May wait for the server.
    ~SpeechDispatcherConnection();
    SpeechDispatcherConnection(const SpeechDispatcherConnection&) = delete;
    SpeechDispatcherConnection& operator=(const SpeechDispatcherConnection&) = delete;

    // Queues the text behind this connection's earlier messages, never cancelling them; returns
    // the message's number, or nothing when the server did not take it.
    std::optional<int> say(const QString& text);
    // Stops what the server is saying for this connection and drops its queued messages.
    bool cancel();

    enum class Ending { ended, cancelled, stillSpeaking, interrupted };
    struct Outcome {
        Ending ending;
        // When the server reported that the message began to sound, if it did.
        std::optional<Clock::time_point> began;
    };
    // Waits until the server reports the end of message `id`, until `deadline`, or until the
    // remote's interrupt().
    Outcome waitForEnd(int id, Clock::time_point deadline);

    // Reaches the connection from other threads. Both calls are safe from any thread, never
    // block, and stay safe after the connection is gone (they then do nothing).
    class Remote {
    public:
        // Ends the wait for a message's end, now and from now on.
        void interrupt() const;
        // Shuts the connection's socket, so that every call waiting for the server returns at
        // once with a failure.
        void breakOff() const;

    private:
        friend class SpeechDispatcherConnection;
        std::shared_ptr<Events> events_;
    };
    Remote remote() const;

private:
    struct Client; // libspeechd's connection
    SpeechDispatcherConnection(std::unique_ptr<Client> client, std::shared_ptr<Events> events);

    std::unique_ptr<Client> client_;
    std::shared_ptr<Events> events_;
};

// A server that has gone away makes a write to its socket raise SIGPIPE, which would end the
// program. Call on every thread that opens or uses a connection (libspeechd's own event thread
// takes the mask of the thread that opens it); the write then only fails.
void blockBrokenPipeSignal();
