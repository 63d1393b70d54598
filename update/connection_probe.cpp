#include "update/connection_probe.h"

#include "update/http_client.h"

namespace orvalin::update {

testnet::testnet(QString url, std::chrono::milliseconds linger, QObject* parent)
    : QThread(parent), url_(std::move(url)), linger_(linger) {}

void testnet::run() {
    const bool ok = check_connection(url_.toStdString(), std::chrono::seconds(15),
                                     [this] { return isInterruptionRequested(); });
    net_ok_.store(ok);
    if (!ok) return;
    // Interruptible, so closing the window does not wait for the linger.
    const auto until = std::chrono::steady_clock::now() + linger_;
    while (std::chrono::steady_clock::now() < until && !isInterruptionRequested())
        QThread::msleep(10);
}

}  // namespace orvalin::update
