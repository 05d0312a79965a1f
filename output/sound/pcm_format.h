#pragma once

// The shape of a stream of interleaved 16-bit samples.
struct PcmFormat {
    int channels = 1;
    int sampleRate = 22050;

    friend bool operator==(const PcmFormat&, const PcmFormat&) = default;
};
