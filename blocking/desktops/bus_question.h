#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <functional>
#include <memory>

namespace vornel {

// One question to another program on the bus, never waited for: the answer,
// or the error that says none came within the time limit, reaches answered
// through the event loop. While a question is in flight it is not asked
// again; the answer to a question forgotten (or to one asked of an object
// since destroyed) is dropped. A program that never answers costs one
// question per time limit and no wait.
class BusQuestion {
public:
    BusQuestion(QDBusConnection bus, int timeoutMs) : bus_(std::move(bus)), timeoutMs_(timeoutMs) {}
    ~BusQuestion() { forget(); }
    BusQuestion(const BusQuestion&) = delete;
    BusQuestion& operator=(const BusQuestion&) = delete;

    // False, and nothing asked, while a question is in flight.
    bool ask(const QDBusMessage& call, std::function<void(const QDBusMessage&)> answered) {
        if (watcher_) return false;
        watcher_ = new QDBusPendingCallWatcher(bus_.asyncCall(call, timeoutMs_));
        QObject::connect(watcher_, &QDBusPendingCallWatcher::finished, watcher_,
                         [this, answered = std::move(answered)](QDBusPendingCallWatcher* w) {
                             watcher_ = nullptr;
                             w->deleteLater();
                             answered(w->reply());
                         });
        return true;
    }
    bool inFlight() const { return watcher_ != nullptr; }
    // The question in flight, if any, is forgotten: its answer is dropped.
    void forget() {
        if (!watcher_) return;
        watcher_->disconnect();
        watcher_->deleteLater();
        watcher_ = nullptr;
    }

    // Whether a reply says the program did not answer in time.
    static bool timedOut(const QDBusMessage& reply) {
        return reply.type() == QDBusMessage::ErrorMessage &&
               reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NoReply");
    }

private:
    QDBusConnection bus_;
    int timeoutMs_;
    QDBusPendingCallWatcher* watcher_ = nullptr;
};

} // namespace vornel
