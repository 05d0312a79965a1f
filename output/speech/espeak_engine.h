#pragma once

#include <QString>

#include <cstdint>
#include <functional>

// The process's one espeak-ng engine. espeak-ng keeps its state in globals and is not
// thread-safe, so these functions take turns on one lock; the voice thread is their only caller.

// Loads the engine and its English voice the first time it is called in the process; later calls
// give the first answer. Returns the sample rate of the speech (mono), or 0 when there is no
// speech, which has then been reported once on standard error.
int loadEspeak();

enum class Synthesis { finished, stopped, failed };

// Receives samples as the engine makes them; returns false to stop the synthesis there.
using SpeechSink = std::function<bool(const std::int16_t* samples, long count)>;

// Synthesizes plain text with the loaded engine, handing every piece of sound to `sink` as soon
// as it exists. A failure is reported once on standard error. Call only after loadEspeak()
// returned a rate.
Synthesis synthesizeSpeech(const QString& text, const SpeechSink& sink);
