// The code collection thread: puts the remote into code collection and polls it
// until it delivers the sampled signal of one key press, the time runs out, the
// link is lost or a stop is asked for.
#pragma once

#include <QThread>
#include <chrono>
#include <string>

namespace orvalin::learning {

class TCollectCode : public QThread {
    Q_OBJECT

  public:
    static constexpr std::chrono::milliseconds kDefaultTimeout{6000};
    static constexpr std::size_t kBufferSize = 10240;

    explicit TCollectCode(std::chrono::milliseconds timeout = kDefaultTimeout,
                          QObject* parent = nullptr);
    // Asks the thread to stop and waits for it.
    ~TCollectCode() override;

    // Ends the thread after its current poll.
    void stop() { requestInterruption(); }

    // The collected text: 10240 characters (NUL bytes included), or empty when no
    // code came. Written only by the thread; read it after the thread has ended.
    const std::string& collected() const { return collected_; }

    // Why the thread ended, for the diagnostic memo.
    enum class Outcome { running, received, carrier_failed, timed_out, link_lost, stopped };
    Outcome outcome() const { return outcome_; }

  protected:
    void run() override { Execute(); }

  private:
    void Execute();

    std::string collected_;
    std::chrono::milliseconds timeout_;
    Outcome outcome_ = Outcome::running;
};

const char* describe(TCollectCode::Outcome outcome);

}  // namespace orvalin::learning
