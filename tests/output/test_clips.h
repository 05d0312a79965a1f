#pragma once

#include <QString>

#include <cstdint>
#include <vector>

// Writes and reads clip files for the player's tests.

#include <QStringList>

// The samples of a clip as an independent decoder (sox) reads them, 16-bit interleaved, after
// sox's `effects` (such as {"remix", "-"}, all channels mixed into one).
std::vector<std::int16_t> decodeClip(const QString& path, const QStringList& effects = {});

// The largest difference between two runs of samples of equal length; INT_MAX when their
// lengths differ.
int largestDifference(const std::vector<std::int16_t>& played,
                      const std::vector<std::int16_t>& expected);

// Writes a short tone in the given libsndfile format (e.g. SF_FORMAT_WAV | SF_FORMAT_ULAW).
void writeToneClip(const QString& path, int format, int channels, int sampleRate, int frames);

// Writes raw bytes to a file.
void writeBytes(const QString& path, const QByteArray& bytes);

// A key clip generated beside the test programs, e.g. keyClip("ast.wav").
QString keyClip(const QString& fileName);
