#pragma once

#include "output/output_parts.h"

#include <QObject>

#include <mutex>
#include <string>

// Sound and speech, with their libraries, are a module of their own, quorvel-output.so beside the
// program. Loading it took 1.75 ms of a 25 ms start, so it comes in after the keypad's first
// paint, or sooner when a key or Say needs it. Without it the keypad is silent, after one line.
class OutputModule final : public QObject, public ClipPlayer {
public:
    explicit OutputModule(std::string path) : path_(std::move(path)) {}

    void PlayClips(const QStringList& paths) override; // from any thread
    void stop() override; // holds for good: a module not yet loaded never is

    // The program's one voice. It reads with the module's voice, made when the module comes in.
    std::unique_ptr<SpeechVoice> makeVoice();

    void loadAfterFirstPaint(QObject* window) { window->installEventFilter(this); }

private:
    bool eventFilter(QObject* window, QEvent* event) override;
    class Voice;
    OutputParts& loaded();

    const std::string path_;
    std::mutex mutex_; // guards all below
    bool loaded_ = false, stopped_ = false, voiceClosed_ = false;
    OutputParts parts_;
    std::unique_ptr<SpeechVoice> voice_;
};
