#include "app/code_collection.h"

#include <utility>

namespace orvalin::app {

CodeCollection::CodeCollection(QObject* owner, std::function<void()> on_end)
    : owner_(owner), on_end_(std::move(on_end)) {}

void CodeCollection::start() {
    if (thread_) return;
    auto* thread = new learning::TCollectCode(timeout_, owner_);
    thread_ = thread;
    const QPointer<learning::TCollectCode> guard(thread);
    QObject::connect(thread, &QThread::finished, owner_, [this, guard] {
        // Already handled when finish() joined the thread.
        if (guard && guard == thread_) on_end_();
    });
    thread->start();
}

void CodeCollection::finish() {
    learning::TCollectCode* thread = thread_.data();
    if (!thread) return;
    thread->stop();
    thread->wait();
    on_end_();
}

std::optional<CodeCollection::Ended> CodeCollection::take() {
    learning::TCollectCode* thread = thread_.data();
    if (!thread) return std::nullopt;
    thread_ = nullptr;
    thread->wait();
    Ended ended{thread->collected(), learning::describe(thread->outcome())};
    thread->deleteLater();
    return ended;
}

}  // namespace orvalin::app
