#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace vornel {

// What a start found of earlier instances.
enum class EarlierInstance {
    None,         // none ran: this one runs alone
    Closed,       // one ran; it was asked to close and has ended
    StillRunning, // one runs on and did not answer: this start must not run
    NoLock,       // no lock could be had: another may run unseen, so this start must not run
    OutOfReach    // one runs that this start may not open or ask (started as administrator,
                  // say): this start must not run
};

// How a newly started instance takes the place of the running one: it asks
// that one to close and waits until it has removed its icon and saved. Only
// one instance at a time gets past closeEarlierInstance.
class InstanceHandshake {
public:
    virtual ~InstanceHandshake() = default;

    // Asks the running instance, if any, to close, and blocks until it has
    // ended, or until timeout passes without an answer.
    virtual EarlierInstance closeEarlierInstance(std::chrono::milliseconds timeout) = 0;

    // From now on this instance is the one a newer instance finds. Its request
    // runs close (from the event loop) and is answered once close returns.
    // False when this instance cannot be found by a newer one.
    virtual bool listen(std::function<void()> close) = 0;
    // This instance is ending and no longer answers; a newer one starts
    // without waiting for it.
    virtual void stopListening() = 0;
};

// The handshake of the platform this build was made for.
std::unique_ptr<InstanceHandshake> makeSystemHandshake();

} // namespace vornel
