#include "output/speech/speech_dispatcher_engine.h"

#include <libspeechd.h>

#include <QRegularExpression>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How the server reports one message going.
struct Progress {
    std::optional<Clock::time_point> begun;
    bool heard = false; // its first word
    bool ended = false;
    bool cut = false; // by another client's speech, or a stop key
};

// What one connection knows, reached from our calls and from libspeechd's event thread.
struct SpeechDispatcherEngine::Link {
    SPDConnection* connection = nullptr;
    int socket = -1; // ours, never closed while a call may be using the connection
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::size_t, Progress> messages; // by number, until waited for
    bool stopped = false;
    long client = -1;      // our number at the server, once registered
    long message = -1;     // the number of the last request sent; negative for a refusal
    bool answering = true; // the last question of whether we are still connected was answered
    std::string opening;   // what went wrong while connecting

    // A server that died has closed its end of the socket; libspeechd says nothing of it.
    bool hungUp() const {
        pollfd watched{socket, POLLRDHUP, 0};
        return ::poll(&watched, 1, 0) > 0 && (watched.revents & (POLLRDHUP | POLLHUP | POLLERR));
    }
};

namespace {

// libspeechd's event callbacks name only the client, so links are found by its number. Never
// destroyed: a connection left behind may report while the process ends.
std::mutex& clientsMutex = *new std::mutex;
auto& clients = *new std::map<std::size_t, std::weak_ptr<SpeechDispatcherEngine::Link>>;

// An index mark's callback also names the mark, which is always the one after the first word.
template <typename... MarkName>
void noteEvent(std::size_t message, std::size_t client, SPDNotificationType type, MarkName...) {
    const std::lock_guard lock(clientsMutex);
    const auto found = clients.find(client);
    if (const auto link = found != clients.end() ? found->second.lock() : nullptr) {
        const std::lock_guard noted(link->mutex);
        Progress& progress = link->messages[message];
        if (!progress.begun)
            progress.begun = Clock::now();
        switch (type) {
        case SPD_EVENT_INDEX_MARK:
            progress.heard = true;
            break;
        case SPD_EVENT_CANCEL:
            progress.cut = true;
            [[fallthrough]];
        case SPD_EVENT_END:
            progress.ended = true;
            break;
        default: // its beginning, noted above
            break;
        }
        link->changed.notify_all();
    }
}

// A mark after the first word, reported as the audio reaches it: a server that begins a request
// and never reports it cannot play. Before any punctuation, whose marks come a sentence late.
QByteArray withMark(const QString& text) {
    static const QRegularExpression firstWord("^\\W*\\w*");
    const qsizetype word = firstWord.match(text).capturedLength();
    return ("<speak>" + text.left(word).toHtmlEscaped() + "<mark name=\"heard\"/>" +
            text.mid(word).toHtmlEscaped() + "</speak>")
        .toUtf8();
}

// Our client number from the "245-<number>" reply, or -1: spd_get_client_id crashes on no reply.
long clientNumber(SPDConnection* connection) {
    char* reply = nullptr;
    QByteArray line;
    if (spd_execute_command_with_reply(connection, "HISTORY GET CLIENT_ID", &reply) == 0)
        line = reply;
    std::free(reply);
    line = line.left(line.indexOf('\n')); // empty when the line has no end
    bool number = false;
    const long client = line.startsWith("245-") ? line.mid(4).trimmed().toLong(&number) : -1;
    return number ? client : -1;
}

} // namespace

SpeechDispatcherEngine::SpeechDispatcherEngine()
    : calls_([] {
          // A write to a gone server must fail, not end us; libspeechd's event thread inherits it.
          sigset_t set;
          sigemptyset(&set);
          sigaddset(&set, SIGPIPE);
          pthread_sigmask(SIG_BLOCK, &set, nullptr);
      }),
      link_(std::make_shared<Link>()) {}

SpeechDispatcherEngine::~SpeechDispatcherEngine() {
    if (!opened_)
        return; // a late answer to open() stays with the call's share of the link, never closed
    if (call([](Link& link) { spd_cancel(link.connection); }, 70ms)) {
        call([](Link& link) { spd_close(link.connection); }, 50ms);
        return;
    }
    // No answer: a thread of ours may be inside the connection, so it is never freed. Shutting
    // the socket frees that thread and ends our speech at the server.
    ::shutdown(link_->socket, SHUT_RDWR);
}

bool SpeechDispatcherEngine::call(std::function<void(Link&)> request,
                                  std::chrono::milliseconds bound) {
    if (leftBehind_)
        return false;
    leftBehind_ =
        !calls_.run([link = link_, request = std::move(request)] { request(*link); }, bound);
    return !leftBehind_;
}

bool SpeechDispatcherEngine::open(std::string& problem, std::chrono::milliseconds bound) {
    const bool answered = call(
        [](Link& link) {
            char* text = nullptr;
            // No address of our own: SPEECHD_ADDRESS or the user's usual socket.
            SPDConnection* connection =
                spd_open2("quorvel", "main", nullptr, SPD_MODE_THREADED, nullptr, 1, &text);
            link.opening = QString::fromUtf8(text).simplified().toStdString(); // one line
            std::free(text);
            if (connection == nullptr)
                return;
            const long client = clientNumber(connection);
            connection->callback_begin = connection->callback_end = noteEvent<>;
            connection->callback_cancel = noteEvent<>;
            connection->callback_im = noteEvent<char*>;
            const SPDNotification reported =
                SPDNotification(SPD_BEGIN | SPD_END | SPD_CANCEL | SPD_INDEX_MARKS);
            // Every phrase is English, whatever language the user reads in otherwise.
            if (client < 0 || spd_set_data_mode(connection, SPD_DATA_SSML) != 0 ||
                spd_set_notification_on(connection, reported) != 0 ||
                spd_set_language(connection, "en") != 0) {
                link.opening = client < 0 ? "it hung up or did not say which client we are"
                                          : "it refused to report how a message goes, or English";
                spd_close(connection);
                return;
            }
            // Our own socket: libspeechd closes its own on a hang-up, and the number may be reused.
            link.socket = ::fcntl(connection->socket, F_DUPFD_CLOEXEC, 0);
            link.client = client;
            link.connection = connection;
        },
        bound);
    if (!answered || link_->connection == nullptr) {
        problem = answered ? (link_->opening.empty() ? "no answer" : link_->opening)
                           : "no answer within " + std::to_string(bound.count()) + " ms";
        return false;
    }
    const std::lock_guard lock(clientsMutex);
    // Closed connections give up their numbers here, and the server may have reused ours.
    std::erase_if(clients, [](const auto& client) { return client.second.expired(); });
    clients[std::size_t(link_->client)] = link_; // before any message can end
    opened_ = true;
    return true;
}

bool SpeechDispatcherEngine::speak(const QString& text, std::string& problem) {
    // Text priority: a screen reader's own speech, and its key that stops speech, cut it short at
    // once. Ours never cancel one another, as each waits for the last.
    const auto say = [marked = withMark(text)](Link& link) {
        link.message = spd_say(link.connection, SPD_TEXT, marked.constData());
    };
    // A request cut before its first word was heard (a screen reader announcing the button that a
    // click moved the focus to) is sent again: the server holds it until that speech ends.
    for (int repeats = repeatsAfterEarlyCut;; --repeats) {
        if (!call(say, answerBound) || link_->message < 0) {
            problem = link_->hungUp() ? "hung up" : "stopped answering";
            return false;
        }
        const auto id = std::size_t(link_->message);

        // A dead server is noticed at once, a stopped one within a second and a half, one that
        // does not play what it began within firstWordBound, a stuck one within speakingBound of
        // the start. Until the message begins it may be waiting behind a screen reader's speech,
        // which is no fault.
        const auto sent = Clock::now();
        auto nextCheck = sent + 500ms;
        std::unique_lock lock(link_->mutex);
        Progress progress;
        while (!link_->stopped && !(progress = link_->messages[id]).ended) {
            const auto now = Clock::now();
            if (link_->hungUp()) {
                problem = "hung up";
                return false;
            }
            const bool mute =
                progress.begun && !progress.heard && now >= *progress.begun + firstWordBound;
            if (mute || now >= progress.begun.value_or(sent) + speakingBound(text)) {
                problem = mute ? "takes requests but plays none (can its audio output open the "
                                 "sound device?)"
                               : "did not finish reading a request in time (is its output module "
                                 "stuck?)";
                lock.unlock();
                // The built-in voice reads it now; the server must never read it too.
                call([](Link& link) { spd_cancel(link.connection); }, answerBound);
                return false;
            }
            if (now >= nextCheck) {
                lock.unlock();
                const auto ask = [](Link& link) {
                    link.answering = clientNumber(link.connection) >= 0;
                };
                if (!call(ask, answerBound) || !link_->answering) {
                    problem = "stopped answering";
                    return false;
                }
                lock.lock();
                nextCheck = Clock::now() + 500ms;
            }
            link_->changed.wait_for(lock, 20ms);
        }
        link_->messages.erase(id);
        if (!progress.cut || progress.heard || repeats == 0)
            return true;
    }
}

// A call in progress is left to end within its bound, so that our speech can still be cancelled
// at the server after it: the voice's closing does not wait for it.
void SpeechDispatcherEngine::stop() {
    std::unique_lock lock(link_->mutex);
    link_->stopped = true;
    lock.unlock();
    link_->changed.notify_all();
}

bool speechDispatcherExpected() {
    return !qEnvironmentVariableIsEmpty("SPEECHD_ADDRESS") ||
           ::access("/usr/bin/speech-dispatcher", X_OK) == 0;
}
