#include "output/speech/speech_dispatcher_engine.h"

#include "output/report.h"

#include <libspeechd.h>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <map>
#include <mutex>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// What one connection knows, reached from our calls and from libspeechd's event thread.
struct SpeechDispatcherEngine::Link {
    SPDConnection* connection = nullptr;
    int socket = -1; // ours, never closed while a call may be using the connection
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::size_t, bool> ended; // by message number, until waited for
    bool stopped = false;
    long client = -1;    // our number at the server, once registered
    QByteArray text;     // of the message being said
    int result = -1;     // of the last request
    std::string opening; // what went wrong while connecting

    // A server that died has closed its end of the socket; libspeechd says nothing of it.
    bool hungUp() const {
        pollfd watched{socket, POLLRDHUP, 0};
        return ::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLRDHUP | POLLHUP | POLLERR));
    }
};

namespace {

using Link = SpeechDispatcherEngine::Link;

// libspeechd reports events through plain functions that name only the client, so open
// connections are found by their client number. Never destroyed: a connection left behind may
// report while the process ends.
std::mutex& clientsMutex = *new std::mutex;
std::map<std::size_t, std::weak_ptr<Link>>& clients =
    *new std::map<std::size_t, std::weak_ptr<Link>>;

void noteEvent(std::size_t message, std::size_t client, SPDNotificationType) {
    std::shared_ptr<Link> link;
    {
        const std::lock_guard lock(clientsMutex);
        if (const auto found = clients.find(client); found != clients.end())
            link = found->second.lock();
    }
    if (!link)
        return;
    {
        const std::lock_guard lock(link->mutex);
        link->ended[message] = true; // an end, or a cancel
    }
    link->changed.notify_all();
}

// Our client number, from the server's "245-<number>" reply, or -1. libspeechd's own
// spd_get_client_id reads a missing reply as a string and crashes.
long clientNumber(SPDConnection* connection) {
    char* reply = nullptr;
    const int status = spd_execute_command_with_reply(connection, "HISTORY GET CLIENT_ID", &reply);
    long number = -1;
    if (status == 0 && reply != nullptr && std::string_view(reply).substr(0, 4) == "245-") {
        char* end = nullptr;
        number = std::strtol(reply + 4, &end, 10);
        if (end == reply + 4 || (*end != '\r' && *end != '\n'))
            number = -1;
    }
    std::free(reply);
    return number;
}

std::string takeText(char* text) {
    std::string taken = text != nullptr ? text : "";
    std::free(text);
    while (!taken.empty() && (taken.back() == '\n' || taken.back() == '\r'))
        taken.pop_back();
    for (char& c : taken)
        if (c == '\n' || c == '\r')
            c = ' ';
    return taken;
}

void blockBrokenPipeSignal() {
    // A write to a server that has gone must fail, not end the program. libspeechd's event
    // thread takes this mask from the thread that opens the connection.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

} // namespace

SpeechDispatcherEngine::SpeechDispatcherEngine()
    : calls_(blockBrokenPipeSignal), link_(std::make_shared<Link>()) {}

SpeechDispatcherEngine::~SpeechDispatcherEngine() {
    if (!opened_)
        return; // a late answer to open() stays with the call that got it
    {
        const std::lock_guard lock(clientsMutex);
        // The number is ours alone unless a later connection has been given it since.
        if (const auto found = clients.find(std::size_t(link_->client));
            found != clients.end() && found->second.lock() == link_)
            clients.erase(found);
    }
    if (!leftBehind_ && calls_.run([link = link_] { spd_cancel(link->connection); }, 70ms)) {
        calls_.run([link = link_] { spd_close(link->connection); }, 50ms);
        return;
    }
    // The server does not answer; a thread of ours may still be inside the connection, so it
    // is never freed. Shutting the socket frees that thread and ends our speech at the server.
    ::shutdown(link_->socket, SHUT_RDWR);
}

bool SpeechDispatcherEngine::call(void (*request)(Link&), std::chrono::milliseconds bound) {
    if (leftBehind_)
        return false;
    leftBehind_ = !calls_.run([link = link_, request] { request(*link); }, bound);
    return !leftBehind_;
}

bool SpeechDispatcherEngine::open(std::string& problem) {
    // A late answer finds everything it needs in the link the call shares.
    const bool answered = calls_.run(
        [link = link_] {
            char* text = nullptr;
            // No address of our own: SPEECHD_ADDRESS or the user's usual socket.
            SPDConnection* connection =
                spd_open2("quorvel", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &text);
            link->opening = takeText(text);
            if (connection == nullptr)
                return;
            const long client = clientNumber(connection);
            connection->callback_end = noteEvent;
            connection->callback_cancel = noteEvent;
            if (client < 0 || spd_set_notification_on(connection, SPD_END) != 0 ||
                spd_set_notification_on(connection, SPD_CANCEL) != 0) {
                link->opening = client < 0 ? "it hung up or did not say which client we are"
                                           : "it refused to report when a message ends";
                spd_close(connection);
                return;
            }
            {
                const std::lock_guard lock(clientsMutex);
                clients[std::size_t(client)] = link;
            }
            // Our own handle on the socket: libspeechd closes its own when the server hangs up,
            // and the number may then be reused.
            link->socket = ::fcntl(connection->socket, F_DUPFD_CLOEXEC, 0);
            link->client = client;
            link->connection = connection;
        },
        connectionBound);
    if (!answered) {
        leftBehind_ = true;
        problem = "no answer within " + std::to_string(connectionBound.count()) + " ms";
        return false;
    }
    if (link_->connection == nullptr) {
        problem = link_->opening.empty() ? "no answer" : link_->opening;
        return false;
    }
    opened_ = true;
    return true;
}

std::chrono::milliseconds SpeechDispatcherEngine::speakingBound(const QString& text) {
    // At speech-dispatcher's slowest rate a digit and its blank take about half a second.
    return 4000ms + 500ms * text.size();
}

bool SpeechDispatcherEngine::speak(const QString& text, std::string& problem) {
    link_->text = text.toUtf8();
    const bool taken = call(
        [](Link& link) {
            // SPD_MESSAGE queues behind our earlier messages; SPD_TEXT would cancel them.
            link.result = spd_say(link.connection, SPD_MESSAGE, link.text.constData());
        },
        answerBound);
    // The server is lost to us; only a stop() made meanwhile means nothing is wrong.
    const auto lost = [&] {
        problem = link_->hungUp() ? "hung up" : "stopped answering";
        return link_->stopped;
    };
    const int id = taken ? link_->result : -1;
    if (id < 0)
        return lost();

    // Waits for the end, and meanwhile keeps asking whether the server still answers: a server
    // that died is noticed at once, one that stopped within a second and a half.
    const auto deadline = Clock::now() + speakingBound(text);
    auto nextCheck = Clock::now() + 500ms;
    std::unique_lock lock(link_->mutex);
    while (!link_->stopped && !link_->ended.count(std::size_t(id))) {
        if (link_->hungUp()) {
            problem = "hung up";
            return false;
        }
        if (Clock::now() >= deadline) {
            if (!stalled_)
                report("speech-dispatcher did not finish reading a request in time (is its "
                       "output module stuck?); going on with the next");
            stalled_ = true;
            lock.unlock();
            // Our stuck message would hold up the ones behind it in the server's queue.
            call([](Link& link) { spd_cancel(link.connection); }, answerBound);
            return true;
        }
        if (Clock::now() >= nextCheck) {
            lock.unlock();
            const bool answers =
                call([](Link& link) { link.result = clientNumber(link.connection) >= 0 ? 0 : -1; },
                     answerBound);
            lock.lock();
            if (!answers || link_->result != 0)
                return lost();
            nextCheck = Clock::now() + 500ms;
        }
        link_->changed.wait_for(lock, 20ms);
    }
    link_->ended.erase(std::size_t(id));
    stalled_ = false;
    return true;
}

void SpeechDispatcherEngine::stop() {
    {
        const std::lock_guard lock(link_->mutex);
        link_->stopped = true;
    }
    link_->changed.notify_all();
    calls_.abandon();
}

bool speechDispatcherExpected() {
    const char* address = std::getenv("SPEECHD_ADDRESS");
    if (address != nullptr && *address != '\0')
        return true;
    char* error = nullptr;
    SPDConnectionAddress* found = spd_get_default_address(&error);
    std::free(error);
    const bool socketThere = found != nullptr && found->method == SPD_METHOD_UNIX_SOCKET &&
                             found->unix_socket_name != nullptr &&
                             ::access(found->unix_socket_name, F_OK) == 0;
    if (found != nullptr)
        SPDConnectionAddress__free(found);
    return socketThere || ::access("/usr/bin/speech-dispatcher", X_OK) == 0;
}
