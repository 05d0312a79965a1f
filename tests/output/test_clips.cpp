#include "test_clips.h"

#include "output/clip_path.h"

#include <QFile>

#include <sndfile.h>

#include <cmath>
#include <stdexcept>

std::vector<std::int16_t> decodeClip(const QString& path) {
    SF_INFO info{};
    SNDFILE* file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (file == nullptr)
        throw std::runtime_error("cannot decode " + path.toStdString());
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<std::int16_t> samples(static_cast<size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_short(file, samples.data(), info.frames);
    sf_close(file);
    samples.resize(static_cast<size_t>(got * info.channels));
    return samples;
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
