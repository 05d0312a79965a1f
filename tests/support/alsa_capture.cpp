#include "alsa_capture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {

QString makeScratchDirectory() {
    static QTemporaryDir directory(QDir::tempPath() + "/quorvel-test-XXXXXX");
    if (!directory.isValid())
        throw std::runtime_error("cannot make a scratch directory");
    return directory.path();
}

void writeFile(const QString& path, const QByteArray& contents) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(contents) != contents.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

void useAlsaConfiguration(const QByteArray& configuration) {
    const QString path = makeScratchDirectory() + "/asound.conf";
    writeFile(path, configuration);
    setenv("ALSA_CONFIG_PATH", QFile::encodeName(path).constData(), 1);
    // No sound server, not even the desktop's own: the player then plays on the ALSA device.
    setenv("PULSE_SERVER", "unix:/nonexistent/quorvel-no-server", 1);
}

} // namespace

AlsaCapture::AlsaCapture()
    : directory_(makeScratchDirectory()), capturePath_(directory_ + "/capture.raw") {
    writeFile(capturePath_, {});
    // A pipe rather than a plain path: the file plugin truncates a plain file each time a stream
    // opens, and the player reopens its stream after idle spells and format changes.
    useAlsaConfiguration("pcm.!default {\n"
                         "  type file\n"
                         "  slave.pcm { type null }\n"
                         "  file \"|cat >> " +
                         QFile::encodeName(capturePath_) +
                         "\"\n"
                         "  format \"raw\"\n"
                         "}\n");
}

std::vector<std::int16_t> AlsaCapture::samples() const {
    QFile file(capturePath_);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read the capture");
    const QByteArray bytes = file.readAll();
    std::vector<std::int16_t> samples(bytes.size() / 2);
    if (!samples.empty())
        std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

void AlsaCapture::clear() {
    writeFile(capturePath_, {});
}

AlsaCapture& sharedCapture() {
    static AlsaCapture capture;
    return capture;
}

void useNoSoundDevice() {
    // A default device on a card that does not exist, as on a machine with no sound card.
    useAlsaConfiguration("pcm.!default { type hw card 99 }\nctl.!default { type hw card 99 }\n");
}

void useNullSoundDevice() {
    useAlsaConfiguration("pcm.!default { type null }\n");
}
