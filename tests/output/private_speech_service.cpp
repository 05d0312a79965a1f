#include "private_speech_service.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sndfile.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

extern char** environ;

namespace {

using namespace std::chrono_literals;

template <typename Condition> bool waitUntil(std::chrono::milliseconds timeout, Condition done) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool quiet(std::int16_t sample) {
    return sample > -300 && sample < 300;
}

} // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const QString& output) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray path = QFile::encodeName(output);
    posix_spawn_file_actions_addopen(&actions, 1, path.constData(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0)
        pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
}

bool ChildProcess::running() {
    return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0;
}

bool ChildProcess::waitForEnd(std::chrono::milliseconds timeout) {
    return waitUntil(timeout, [this] { return !running(); });
}

void ChildProcess::stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGCONT);
    kill(pid_, SIGTERM);
    if (!waitUntil(1000ms, [this] { return waitpid(pid_, nullptr, WNOHANG) != 0; })) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
}

PrivateSpeechService::PrivateSpeechService(bool withServer, const std::string& userSettings) {
    directory_ = QDir::tempPath() + "/quorvel-speech-" + QString::number(getpid());
    QDir(directory_).removeRecursively();
    QDir().mkpath(directory_ + "/runtime");
    QDir().mkpath(directory_ + "/config/speech-dispatcher");
    chmod(QFile::encodeName(directory_ + "/runtime").constData(), 0700);
    const auto set = [](const char* name, const QString& value) {
        setenv(name, QFile::encodeName(value).constData(), 1);
    };
    set("XDG_RUNTIME_DIR", directory_ + "/runtime");
    set("PULSE_RUNTIME_PATH", directory_ + "/runtime");
    set("XDG_CONFIG_HOME", directory_ + "/config");
    set("HOME", directory_);
    set("PULSE_SERVER", "unix:" + directory_ + "/native");
    unsetenv("SPEECHD_ADDRESS");
    unsetenv("DBUS_SESSION_BUS_ADDRESS"); // a desktop's own sound server must not be disturbed
    unsetenv("DISPLAY");
    if (!userSettings.empty())
        std::ofstream(
            QFile::encodeName(directory_ + "/config/speech-dispatcher/speechd.conf").toStdString())
            << userSettings << "\n";
    {
        std::ofstream alsa(QFile::encodeName(directory_ + "/asound.conf").toStdString());
        alsa << "pcm.!default { type pulse }\nctl.!default { type pulse }\n";
    }
    set("ALSA_CONFIG_PATH", directory_ + "/asound.conf");

    const std::string native = QFile::encodeName(directory_ + "/native").toStdString();
    sound_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disallow-exit",
            "--disable-shm=yes", "-L",
            "module-native-protocol-unix socket=" + native + " auth-anonymous=1", "-L",
            "module-null-sink sink_name=paced rate=22050 channels=1 norewinds=1"},
        directory_ + "/pulseaudio.log");
    if (!waitUntil(5000ms, [&] { return QFile::exists(directory_ + "/native"); }))
        return;
    recorder_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"sh", "-c",
                                 "exec parec -d paced.monitor --format=s16le --rate=22050 "
                                 "--channels=1 --latency-msec=20 >\"$0\"",
                                 QFile::encodeName(directory_ + "/monitor.raw").toStdString()},
        directory_ + "/parec.log");
    if (!waitUntil(5000ms, [&] { return QFileInfo(directory_ + "/monitor.raw").size() > 0; }))
        return;
    if (withServer) {
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"speech-dispatcher", "-s", "-t", "0"},
            directory_ + "/speech-dispatcher.log");
        if (!waitUntil(5000ms, [&] {
                return QFile::exists(directory_ + "/runtime/speech-dispatcher/speechd.sock");
            }))
            return;
    }
    ready_ = true;
}

PrivateSpeechService::~PrivateSpeechService() {
    const pid_t module = modulePid();
    if (server_)
        server_->stop();
    if (module > 0) { // left running when the server had to be killed
        kill(module, SIGCONT);
        kill(module, SIGKILL);
    }
    recorder_.reset();
    sound_.reset();
    QDir(directory_).removeRecursively();
}

pid_t PrivateSpeechService::serverPid() const {
    return server_ ? server_->pid() : -1;
}

pid_t PrivateSpeechService::modulePid() const {
    if (!server_)
        return -1;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number)
            continue;
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QString line = QString::fromLocal8Bit(stat.readAll());
        // pid (comm) state ppid ...
        const int close = line.lastIndexOf(')');
        const QString name = line.mid(line.indexOf('(') + 1, close - line.indexOf('(') - 1);
        const QStringList rest = line.mid(close + 2).split(' ');
        if (name == "sd_espeak-ng" && rest.size() > 1 && rest[1].toInt() == server_->pid())
            return pid;
    }
    return -1;
}

std::vector<std::int16_t> PrivateSpeechService::recorded() const {
    QFile file(directory_ + "/monitor.raw");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    std::vector<std::int16_t> samples(std::size_t(bytes.size()) / 2);
    std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

bool PrivateSpeechService::waitForSound(std::chrono::milliseconds timeout) const {
    return waitUntil(timeout, [this] {
        const std::vector<std::int16_t> samples = recorded();
        return std::any_of(samples.begin(), samples.end(), [](auto s) { return !quiet(s); });
    });
}

bool PrivateSpeechService::silentAtTheEnd(std::chrono::milliseconds span) const {
    const std::vector<std::int16_t> samples = recorded();
    const auto tail = std::min<std::size_t>(samples.size(), sampleRate * span.count() / 1000);
    return spokenStretches(std::vector<std::int16_t>(samples.end() - long(tail), samples.end()))
        .empty();
}

std::vector<std::int16_t> espeakRendering(const QString& text, const QString& scratch,
                                          const char* language) {
    const QString wav = scratch + "/rendering.wav";
    QFile::remove(wav); // a failed run must not leave the last rendering to be read
    ChildProcess espeak({"espeak-ng", "-v", language, "-w", QFile::encodeName(wav).toStdString(),
                         text.toStdString()},
                        scratch + "/rendering.log");
    if (!espeak.waitForEnd(10000ms))
        return {};
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(wav).constData(), SFM_READ, &info);
    if (file == nullptr)
        return {};
    std::vector<std::int16_t> samples(std::size_t(info.frames * info.channels));
    sf_read_short(file, samples.data(), sf_count_t(samples.size()));
    sf_close(file);
    return samples;
}

std::vector<double> spokenStretches(const std::vector<std::int16_t>& samples) {
    constexpr std::size_t pause = PrivateSpeechService::sampleRate / 10;
    std::vector<double> stretches;
    std::size_t start = 0, last = 0;
    bool inside = false;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (quiet(samples[i]))
            continue;
        if (inside && i - last > pause) {
            stretches.push_back(double(last - start) / PrivateSpeechService::sampleRate);
            start = i;
        } else if (!inside) {
            start = i;
            inside = true;
        }
        last = i;
    }
    if (inside)
        stretches.push_back(double(last - start) / PrivateSpeechService::sampleRate);
    return stretches;
}

double sum(const std::vector<double>& values) {
    double total = 0;
    for (const double value : values)
        total += value;
    return total;
}

std::vector<double> spectralShape(const std::vector<std::int16_t>& samples) {
    constexpr std::size_t frame = 512;
    constexpr int bands = 16;
    std::vector<double> shape(bands, 0.0);
    int voiced = 0;
    for (std::size_t start = 0; start + frame <= samples.size(); start += frame / 2) {
        double energy = 0;
        for (std::size_t i = start; i < start + frame; ++i)
            energy += double(samples[i]) * samples[i];
        if (energy < 300.0 * 300.0 * frame)
            continue; // a pause
        ++voiced;
        for (int band = 0; band < bands; ++band) {
            // Goertzel at frequencies spaced evenly on a log scale from 200 Hz to 6 kHz.
            const double hz = 200.0 * std::pow(30.0, band / double(bands - 1));
            const double step = 2 * std::cos(2 * M_PI * hz / PrivateSpeechService::sampleRate);
            double before = 0, last = 0;
            for (std::size_t i = start; i < start + frame; ++i) {
                const double next = samples[i] + step * last - before;
                before = last;
                last = next;
            }
            shape[std::size_t(band)] +=
                std::log10(1 + last * last + before * before - step * last * before);
        }
    }
    double mean = 0;
    for (double& band : shape)
        mean += band /= std::max(voiced, 1);
    for (double& band : shape)
        band -= mean / bands;
    return shape;
}

double distance(const std::vector<double>& a, const std::vector<double>& b) {
    double total = 0;
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i)
        total += (a[i] - b[i]) * (a[i] - b[i]);
    return std::sqrt(total);
}
