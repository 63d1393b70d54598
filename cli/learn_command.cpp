// orvalin-cli learn --mode M --key NAME [--timeout S]: one key from the remote's
// own receiver: code collection, recognition, the rebuilt table written with a
// backup first, then read back.
#include <charconv>
#include <chrono>
#include <filesystem>
#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "device/vorkel.h"
#include "ircode/analysis.h"
#include "learning/fallback_converter.h"
#include "learning/recognition.h"

namespace orvalin::cli {

namespace {

constexpr std::size_t kCaptureBuffer = 10240;
constexpr int kDefaultTimeoutS = 6;
constexpr int kMaxTimeoutS = 600;

std::filesystem::path here() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : exe.parent_path();
}

enum class Capture { received, carrier_failed, timed_out, link_lost };

// Puts the remote into collection and polls until one key press arrives.
Capture collect(std::chrono::seconds timeout, std::string& collected) {
    const auto start = std::chrono::steady_clock::now();
    if (!SetCodeCarrierWave()) return Capture::carrier_failed;
    std::vector<char> buffer(kCaptureBuffer);
    for (;;) {
        if (std::chrono::steady_clock::now() - start > timeout) return Capture::timed_out;
        std::fill(buffer.begin(), buffer.end(), '\0');
        if (RCollectCodeInfo(buffer.data())) {
            collected.assign(buffer.data(), buffer.size());
            return Capture::received;
        }
        if (!link_state()) return Capture::link_lost;
    }
}

}  // namespace

int run_learn(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {"--mode", "--key", "--timeout"}, {}, why);
    if (!options || !options->rest.empty() || !options->value("--key")) {
        io.err << "orvalin-cli learn: "
               << (options ? "usage: learn --mode M --key NAME [--timeout S]" : why) << "\n";
        return kExitBadInput;
    }
    std::optional<int> mode;
    if (const auto m = options->value("--mode"); m && !(mode = parse_mode(*m))) {
        io.err << "orvalin-cli learn: unknown mode " << *m << " (TV, CBL or DVD)\n";
        return kExitBadInput;
    }
    int timeout_s = kDefaultTimeoutS;
    if (const auto t = options->value("--timeout")) {
        const auto [end, ec] = std::from_chars(t->data(), t->data() + t->size(), timeout_s);
        if (ec != std::errc{} || end != t->data() + t->size() || timeout_s < 1 ||
            timeout_s > kMaxTimeoutS) {
            io.err << "orvalin-cli learn: --timeout takes seconds, 1 to " << kMaxTimeoutS << "\n";
            return kExitBadInput;
        }
    }
    const auto key = parse_key(*options->value("--key"), mode, why);
    if (!key) {
        io.err << "orvalin-cli learn: " << why << "\n";
        return kExitBadInput;
    }
    learning::Session session(device_io(io.err));
    if (const auto status = open_session(session, io.err)) return *status;
    session.set_device_mode(key->mode);
    const std::string name = std::string(mode_text(key->mode)) + " " + key_name(key->key_code);

    io.out << "press the key on the other remote, aimed at this one (" << timeout_s << " s)\n"
           << std::flush;
    std::string collected;
    switch (collect(std::chrono::seconds(timeout_s), collected)) {
        case Capture::received:
            break;
        case Capture::carrier_failed:
            io.err << "orvalin-cli learn: the remote refused code collection\n";
            return kExitRemote;
        case Capture::timed_out:
            io.err << "orvalin-cli learn: no code within " << timeout_s << " s; nothing written\n";
            return kExitRemote;
        case Capture::link_lost:
            io.err << "orvalin-cli learn: the remote was unplugged; nothing written\n";
            return kExitRemote;
    }
    const learning::Recognition r = learning::recognise_collected(
        collected, key->table_code, here() / ircode::kCodeInfoFileName,
        here() / learning::kFallbackLibraryName);
    if (!r.ok()) {
        io.err << "orvalin-cli learn: the code was not recognised (" << r.reason
               << "); nothing written\n";
        return kExitBadInput;
    }
    session.start_learning();
    if (const auto e = session.add_learned_key(key->key_code, r.table);
        e != learning::TableError::none) {
        io.err << "orvalin-cli learn: " << learning::describe(e) << "; nothing written\n";
        return kExitBadInput;
    }
    session.stop_learning();
    if (!session.commit()) {
        io.err << "orvalin-cli learn: the remote refused the write\n";
        report_unwritten(session, io.err);
        return kExitRemote;
    }
    session.confirm_pending();
    if (!verify_written(session.table(), io.err)) return kExitRemote;
    io.out << "learned: " << name << " ("
           << (r.type_name.empty() ? (r.shape.empty() ? "generic" : "generic (" + r.shape + ")")
                                   : r.type_name)
           << ")\n";
    return kExitDone;
}

}  // namespace orvalin::cli
