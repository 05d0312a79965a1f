#include "output/speech/speech_dispatcher_connection.h"

#include <libspeechd.h>

#include <pthread.h>
#include <sys/socket.h>

#include <csignal>

#include <condition_variable>
#include <cstdlib>
#include <map>

// What the server has told about the messages of one connection. libspeechd reports events on a
// thread of its own through plain functions that say only which client they concern, so the
// events of every open connection are found through one table of client numbers.
struct SpeechDispatcherConnection::Events {
    struct Message {
        std::optional<Clock::time_point> began;
        std::optional<Ending> ending;
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::size_t, Message> messages; // by message number, until waited for
    int socket = -1;                         // while the connection is open
    bool interrupted = false;
    std::size_t client = 0;

    void note(std::size_t message, SPDNotificationType type) {
        {
            const std::lock_guard lock(mutex);
            Message& state = messages[message];
            if (type == SPD_EVENT_BEGIN)
                state.began = Clock::now();
            else if (type == SPD_EVENT_END)
                state.ending = Ending::ended;
            else if (type == SPD_EVENT_CANCEL)
                state.ending = Ending::cancelled;
        }
        changed.notify_all();
    }
};

struct SpeechDispatcherConnection::Client {
    SPDConnection* connection;
};

namespace {

using Events = SpeechDispatcherConnection::Events;

struct Clients {
    std::mutex mutex;
    std::map<std::size_t, std::weak_ptr<Events>> byNumber;
};

// Never destroyed: a connection left waiting for a stopped server may still report an event
// while the process is ending.
Clients& clients() {
    static Clients* const table = new Clients;
    return *table;
}

void forward(std::size_t message, std::size_t client, SPDNotificationType type) {
    std::shared_ptr<Events> events;
    {
        Clients& table = clients();
        const std::lock_guard lock(table.mutex);
        const auto found = table.byNumber.find(client);
        if (found != table.byNumber.end())
            events = found->second.lock();
    }
    if (events)
        events->note(message, type);
}

std::string takeText(char* text) {
    std::string taken = text != nullptr ? text : "";
    std::free(text);
    while (!taken.empty() && (taken.back() == '\n' || taken.back() == '\r'))
        taken.pop_back();
    return taken;
}

} // namespace

std::unique_ptr<SpeechDispatcherConnection> SpeechDispatcherConnection::open(std::string& problem) {
    char* error = nullptr;
    // No address of our own: SPEECHD_ADDRESS or the user's usual socket, as every client does.
    SPDConnection* connection =
        spd_open2("quorvel", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &error);
    if (connection == nullptr) {
        problem = takeText(error);
        if (problem.empty())
            problem = "no answer";
        return nullptr;
    }
    takeText(error);

    auto events = std::make_shared<Events>();
    events->socket = connection->socket;
    const int client = spd_get_client_id(connection);
    if (client < 0) {
        problem = "it did not say which client we are";
        spd_close(connection);
        return nullptr;
    }
    events->client = std::size_t(client);
    {
        Clients& table = clients();
        const std::lock_guard lock(table.mutex);
        table.byNumber[events->client] = events;
    }
    connection->callback_begin = forward;
    connection->callback_end = forward;
    connection->callback_cancel = forward;
    if (spd_set_notification_on(connection, SPD_BEGIN) != 0 ||
        spd_set_notification_on(connection, SPD_END) != 0 ||
        spd_set_notification_on(connection, SPD_CANCEL) != 0) {
        problem = "it refused to report when a message ends";
        spd_close(connection);
        return nullptr;
    }
    return std::unique_ptr<SpeechDispatcherConnection>(new SpeechDispatcherConnection(
        std::make_unique<Client>(Client{connection}), std::move(events)));
}

SpeechDispatcherConnection::SpeechDispatcherConnection(std::unique_ptr<Client> client,
                                                       std::shared_ptr<Events> events)
    : client_(std::move(client)), events_(std::move(events)) {}

SpeechDispatcherConnection::~SpeechDispatcherConnection() {
    spd_cancel(client_->connection);
    {
        // From here on a break-off must not touch the socket: its number may be reused.
        const std::lock_guard lock(events_->mutex);
        events_->socket = -1;
    }
    spd_close(client_->connection);
    Clients& table = clients();
    const std::lock_guard lock(table.mutex);
    table.byNumber.erase(events_->client);
}

std::optional<int> SpeechDispatcherConnection::say(const QString& text) {
    // SPD_MESSAGE queues behind our earlier messages; SPD_TEXT would cancel them.
    const int id = spd_say(client_->connection, SPD_MESSAGE, text.toUtf8().constData());
    if (id < 0)
        return std::nullopt;
    return id;
}

bool SpeechDispatcherConnection::cancel() {
    return spd_cancel(client_->connection) == 0;
}

SpeechDispatcherConnection::Outcome
SpeechDispatcherConnection::waitForEnd(int id, Clock::time_point deadline) {
    std::unique_lock lock(events_->mutex);
    Events::Message& message = events_->messages[std::size_t(id)];
    events_->changed.wait_until(lock, deadline,
                                [&] { return message.ending.has_value() || events_->interrupted; });
    const Outcome outcome{
        message.ending.value_or(events_->interrupted ? Ending::interrupted : Ending::stillSpeaking),
        message.began};
    events_->messages.erase(std::size_t(id));
    return outcome;
}

SpeechDispatcherConnection::Remote SpeechDispatcherConnection::remote() const {
    Remote remote;
    remote.events_ = events_;
    return remote;
}

void SpeechDispatcherConnection::Remote::interrupt() const {
    if (!events_)
        return;
    {
        const std::lock_guard lock(events_->mutex);
        events_->interrupted = true;
    }
    events_->changed.notify_all();
}

void SpeechDispatcherConnection::Remote::breakOff() const {
    if (!events_)
        return;
    const std::lock_guard lock(events_->mutex);
    if (events_->socket >= 0)
        ::shutdown(events_->socket, SHUT_RDWR);
}

void blockBrokenPipeSignal() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}
