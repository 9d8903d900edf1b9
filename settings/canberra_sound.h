#pragma once

#include "blocking/alert_sound.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

struct ca_context;

namespace vornel {

// The alert sound over libcanberra. play() starts the sound and returns at
// once. A WAV file is played by its path; an empty name, or a file that the
// sound service cannot play, gives the desktop's "bell" event sound instead.
class CanberraSound : public AlertSound {
public:
    CanberraSound();
    ~CanberraSound() override;
    CanberraSound(const CanberraSound&) = delete;
    CanberraSound& operator=(const CanberraSound&) = delete;

    void play(const std::string& name) override;

    // Told of every request to the sound service ("file" with the path, or
    // "event" with "bell") and its answer, a libcanberra result code (0 is
    // success). A failure found after play() returned is told later, from
    // the event loop.
    std::function<void(const std::string& kind, const std::string& what, int result)> onRequest;

private:
    void playBell();
    void report(const std::string& kind, const std::string& what, int result);
    static void finished(ca_context* context, uint32_t id, int error, void* self);

    ca_context* context_ = nullptr;
    // Receives the late failures, which libcanberra reports from its own thread.
    QObject receiver_;
};

} // namespace vornel
