#include "sound_stretches.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
constexpr std::size_t shortestSilence = 100;
} // namespace

std::vector<long> soundStretches(const std::vector<std::int16_t>& samples) {
    std::vector<long> stretches;
    std::size_t start = 0; // of the current stretch
    std::size_t zeros = 0; // in a row, just before `i`
    for (std::size_t i = 0; i <= samples.size(); ++i) {
        if (i < samples.size() && samples[i] == 0) {
            ++zeros;
            continue;
        }
        const bool silenceEnds = zeros >= shortestSilence || i == samples.size();
        if (silenceEnds) {
            const std::size_t end = i - zeros;
            if (end > start)
                stretches.push_back(static_cast<long>(end - start));
            start = i;
        }
        zeros = 0;
    }
    return stretches;
}

std::string stretchDifference(const std::vector<long>& heard, const std::vector<long>& expected) {
    for (std::size_t i = 0; i < std::min(heard.size(), expected.size()); ++i) {
        const long slack = std::max<long>(100, expected[i] * 6 / 100);
        if (std::labs(heard[i] - expected[i]) > slack)
            return "stretch " + std::to_string(i) + " is " + std::to_string(heard[i]) +
                   " samples long, expected " + std::to_string(expected[i]);
    }
    if (heard.size() != expected.size())
        return std::to_string(heard.size()) + " stretches, expected " +
               std::to_string(expected.size());
    return "";
}

double loudness(const std::vector<std::int16_t>& samples) {
    if (samples.empty())
        return 0;
    double sum = 0;
    for (const std::int16_t sample : samples)
        sum += double(sample) * sample;
    return std::sqrt(sum / double(samples.size()));
}
