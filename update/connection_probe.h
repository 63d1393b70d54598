// The connection test thread testnet: can the vendor's host be reached? On
// success it lingers a moment so the connecting animation is seen to finish.
#pragma once

#include <QString>
#include <QThread>
#include <atomic>
#include <chrono>

namespace orvalin::update {

class testnet : public QThread {
    Q_OBJECT
  public:
    testnet(QString url, std::chrono::milliseconds linger, QObject* parent = nullptr);
    // The outcome; read after the thread has finished.
    bool net_ok() const { return net_ok_.load(); }

  protected:
    void run() override;

  private:
    QString url_;
    std::chrono::milliseconds linger_;
    std::atomic<bool> net_ok_{false};
};

}  // namespace orvalin::update
