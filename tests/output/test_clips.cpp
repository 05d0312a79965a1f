#include "test_clips.h"

#include "output/sound/clip_path.h"

#include <QFile>
#include <QProcess>

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <stdexcept>

std::vector<std::int16_t> decodeClip(const QString& path, const QStringList& effects) {
    // sox, not libsndfile: the player reads clips with libsndfile, and a fault in that reading
    // would be made again by a test that decodes its expectation the same way. No dither, so
    // that 16-bit clips come out exactly as stored.
    QProcess sox;
    sox.start("sox",
              QStringList{"-D", path, "-t", "raw", "-e", "signed-integer", "-b", "16", "-L", "-"} +
                  effects);
    if (!sox.waitForFinished(30000) || sox.exitStatus() != QProcess::NormalExit ||
        sox.exitCode() != 0)
        throw std::runtime_error("sox cannot decode " + path.toStdString() + ": " +
                                 sox.readAllStandardError().toStdString());
    const QByteArray bytes = sox.readAllStandardOutput();
    std::vector<std::int16_t> samples(static_cast<size_t>(bytes.size() / 2));
    if (!samples.empty())
        std::memcpy(samples.data(), bytes.constData(), samples.size() * 2);
    return samples;
}

int largestDifference(const std::vector<std::int16_t>& played,
                      const std::vector<std::int16_t>& expected) {
    if (played.size() != expected.size())
        return std::numeric_limits<int>::max();
    int largest = 0;
    for (size_t i = 0; i < played.size(); ++i)
        largest = std::max(largest, std::abs(int(played[i]) - int(expected[i])));
    return largest;
}

void writeToneClip(const QString& path, int format, int channels, int sampleRate, int frames) {
    SF_INFO info{};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = format;
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (file == nullptr)
        throw std::runtime_error("cannot write " + path.toStdString() + ": " +
                                 sf_strerror(nullptr));
    std::vector<double> samples(static_cast<size_t>(frames * channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            samples[i * channels + c] =
                0.4 * std::sin(2 * M_PI * (440.0 + 220 * c) * i / sampleRate);
    sf_writef_double(file, samples.data(), frames);
    sf_close(file);
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QString keyClip(const QString& fileName) {
    return ClipPath(fileName);
}
