#pragma once

#include <QProcess>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace vornel {

// One run of a command-line tool, never waited for: its output, or nothing
// when it failed or outlived the time limit (it is then killed), reaches
// done through the event loop. While a run is under way no other starts; the
// output of a run forgotten (or of one whose owner is destroyed) is dropped.
class ToolRun {
public:
    explicit ToolRun(int timeoutMs) {
        limit_.setSingleShot(true);
        limit_.setInterval(timeoutMs);
        QObject::connect(&limit_, &QTimer::timeout, &limit_, [this] { finish(true); });
    }
    ~ToolRun() { forget(); }
    ToolRun(const ToolRun&) = delete;
    ToolRun& operator=(const ToolRun&) = delete;

    // False, and nothing started, while a run is under way.
    bool run(const QString& program, const QStringList& arguments,
             std::function<void(const std::optional<QString>&)> done) {
        if (process_) return false;
        process_ = std::make_unique<QProcess>();
        done_ = std::move(done);
        timedOut_ = false;
        QObject::connect(process_.get(), &QProcess::finished, process_.get(),
                         [this] { finish(false); });
        QObject::connect(process_.get(), &QProcess::errorOccurred, process_.get(),
                         [this](QProcess::ProcessError error) {
                             if (error == QProcess::FailedToStart) finish(false);
                         });
        process_->start(program, arguments);
        limit_.start();
        return true;
    }
    bool inFlight() const { return process_ != nullptr; }
    // Whether the run just told of was killed at the time limit.
    bool timedOut() const { return timedOut_; }
    // The run under way, if any, is killed and tells nothing.
    void forget() {
        limit_.stop();
        done_ = nullptr;
        if (!process_) return;
        process_->disconnect();
        process_.reset(); // killed, and reaped at once
    }

private:
    void finish(bool timedOut) {
        limit_.stop();
        std::unique_ptr<QProcess> p = std::move(process_);
        if (!p) return;
        p->disconnect();
        if (timedOut) p->kill();
        std::optional<QString> output;
        if (!timedOut && p->exitStatus() == QProcess::NormalExit && p->exitCode() == 0 &&
            p->error() != QProcess::FailedToStart)
            output = QString::fromUtf8(p->readAllStandardOutput()).trimmed();
        timedOut_ = timedOut;
        // The callback may start the next run at once.
        auto done = std::exchange(done_, nullptr);
        // Not destroyed inside its own signal; a killed one is reaped then.
        p.release()->deleteLater();
        if (done) done(output);
    }

    std::unique_ptr<QProcess> process_;
    std::function<void(const std::optional<QString>&)> done_;
    QTimer limit_;
    bool timedOut_ = false;
};

} // namespace vornel
