#include "device/sim/signal_source.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

#include "device/sim/demo_signals.h"

namespace vorkel::sim {

namespace {

constexpr std::uintmax_t kMaxSignalFileBytes = 1 << 20;
constexpr const char* kPlayedFolder = "played";

}  // namespace

std::optional<PulseSignal> SignalSource::next() {
    in_play_.reset();
    if (!queued_.empty()) {
        PulseSignal signal = queued_.front();
        queued_.pop_front();
        return signal;
    }
    if (!folder_.empty()) return next_from_folder();
    if (demo_) {
        const std::vector<PulseSignal> demo = demo_signals();
        const PulseSignal signal = demo[demo_index_ % demo.size()];
        ++demo_index_;
        return signal;
    }
    return std::nullopt;
}

std::optional<PulseSignal> SignalSource::next_from_folder() {
    std::error_code ec;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.front() == '.') continue;
        if (!entry.is_regular_file(ec)) continue;
        files.push_back(entry.path());
    }
    if (files.empty()) return std::nullopt;
    const std::filesystem::path file = *std::min_element(files.begin(), files.end());

    std::string text;
    if (std::filesystem::file_size(file, ec) <= kMaxSignalFileBytes && !ec) {
        std::ifstream in(file, std::ios::binary);
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::optional<PulseSignal> signal = parse_mode2(text);
    if (!signal) {
        // Not a signal: move it aside at once so it cannot block the queue.
        move_aside(file);
        return std::nullopt;
    }
    in_play_ = file;
    return signal;
}

void SignalSource::played() {
    if (!in_play_) return;
    move_aside(*in_play_);
    in_play_.reset();
}

void SignalSource::move_aside(const std::filesystem::path& file) {
    // Never deleted: they are the user's files.
    std::error_code ec;
    const std::filesystem::path played = folder_ / kPlayedFolder;
    std::filesystem::create_directories(played, ec);
    std::filesystem::rename(file, played / file.filename(), ec);
    // A file that cannot move would play again and again: stop using the folder.
    if (ec) folder_.clear();
}

}  // namespace vorkel::sim
