#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The lengths, in samples, of the stretches of sound between silences of at least 100 samples of
// exact zero. espeak-ng puts such silences between words and at the end of every text, and
// varies its timing slightly from one synthesis of a text to the next; the stretches keep the
// shape of what was said through that, so two captures can be compared word by word.
std::vector<long> soundStretches(const std::vector<std::int16_t>& samples);

// Where two lists of stretches part, or "" when they match one for one, each length within 6 %
// (at least 100 samples) of the expected one: the first word of a text varies most.
std::string stretchDifference(const std::vector<long>& heard, const std::vector<long>& expected);

// The root mean square of the samples: speech has energy, silence and clicks have next to none.
double loudness(const std::vector<std::int16_t>& samples);
