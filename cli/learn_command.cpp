// orvalin-cli learn --mode M --key NAME [--timeout S] [--verify]: one key from the
// remote's own receiver: code collection, recognition (--verify: checked by a
// second press), the key written onto the table read right before the write
// (backed up first), then read back.
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "cli/commands.h"
#include "cli/remote_session.h"
#include "common/data_files.h"
#include "device/vorkel.h"
#include "ircode/analysis.h"
#include "learning/fallback_converter.h"
#include "learning/press_check.h"
#include "learning/recognition.h"
#include "learning/signal_capture.h"
#include "signals/formats/signal_format.h"

namespace orvalin::cli {

namespace {

constexpr std::size_t kCaptureBuffer = 10240;
constexpr int kDefaultTimeoutS = 6;
constexpr int kMaxTimeoutS = 600;
// Reason of a recognition that had no capture to work on (already reported).
constexpr const char* kNoCapture = "no capture";
// Reason of a verified learning whose presses gave three different codes.
constexpr const char* kPressesDiffer = "three presses gave three different codes: ";

// A code file is at most this large; no file of key codes comes near it.
constexpr std::size_t kMaxCodeFileBytes = 4 * 1024 * 1024;

// The timing text of one signal of a code file; empty with a message in why.
std::string timing_from_file(const std::string& file, const std::optional<std::string>& name,
                             std::string& why) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        why = file + ": cannot be read";
        return {};
    }
    std::string content;
    char c = 0;
    while (content.size() <= kMaxCodeFileBytes && in.get(c)) content += c;
    if (content.size() > kMaxCodeFileBytes) {
        why = file + ": too large for a code file";
        return {};
    }
    const auto format = formats::detect_format(file, content);
    if (!format) {
        why = file + ": not a code file of a known format";
        return {};
    }
    std::string error;
    const auto parsed = formats::read_signal_file(*format, content, file, &error);
    if (!parsed || parsed->signals.empty()) {
        why = file + ": " + (error.empty() ? "no signal" : error);
        return {};
    }
    const formats::CodeSignal* signal = nullptr;
    if (name) {
        signal = parsed->find(*name);
        if (signal == nullptr) {
            why = file + ": no signal named " + *name;
            return {};
        }
    } else if (parsed->signals.size() == 1) {
        signal = &parsed->signals.front();
    } else {
        why = file + " holds " + std::to_string(parsed->signals.size()) +
              " signals; choose one with --signal NAME";
        return {};
    }
    return ir_signals::timing_text_of(formats::render_press(*signal));
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

learning::Recognition recognise_from_remote(const KeyRef& key, int timeout_s,
                                            const std::filesystem::path& codeinfo,
                                            const std::filesystem::path& converter, Streams io);
int write_learned(learning::Session& session, const KeyRef& key, const learning::Recognition& r,
                  const std::string& name, Streams io);

// Presses until two give the same code (a third decides when two differ).
learning::Recognition recognise_verified(const KeyRef& key, int timeout_s,
                                         const std::filesystem::path& codeinfo,
                                         const std::filesystem::path& converter, Streams io) {
    learning::PressCheck check;
    for (;;) {
        learning::Recognition r = recognise_from_remote(key, timeout_s, codeinfo, converter, io);
        if (!r.ok()) return r;
        const auto code = learning::describe_key_code(r.table, key.table_code, codeinfo);
        if (!code) {
            r.table.clear();
            r.reason = "the learned code cannot be read back";
            return r;
        }
        switch (check.add(r.table, *code)) {
            case learning::PressCheck::Step::again:
                io.out << "press the key once more to check it\n";
                continue;
            case learning::PressCheck::Step::third:
                io.out << "the two presses differ (" << check.difference()
                       << "); press the key a third time\n";
                continue;
            case learning::PressCheck::Step::taken:
                r.table = check.taken_table();
                return r;
            case learning::PressCheck::Step::refused:
                r.table.clear();
                r.reason = kPressesDiffer + check.difference();
                return r;
        }
    }
}

int run_learn(const std::vector<std::string>& args, Streams io) {
    std::string why;
    const auto options = parse_options(args, {"--mode", "--key", "--timeout", "--from", "--signal"},
                                       {"--verify"}, why);
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
    if (options->flag("--verify") && options->value("--from")) {
        io.err << "orvalin-cli learn: --verify checks presses from the remote, not --from\n";
        return kExitBadInput;
    }
    if (options->value("--signal") && !options->value("--from")) {
        io.err << "orvalin-cli learn: --signal goes with --from FILE\n";
        return kExitBadInput;
    }
    // A key from a code file: its timing text, before the remote is touched.
    std::string file_timing;
    if (const auto from = options->value("--from")) {
        file_timing = timing_from_file(*from, options->value("--signal"), why);
        if (file_timing.empty()) {
            io.err << "orvalin-cli learn: " << why << "; nothing written\n";
            return kExitBadInput;
        }
    }
    learning::Session session(device_io(io.err));
    if (const auto status = open_session(session, io.err)) return *status;
    session.set_device_mode(key->mode);
    const std::string name = std::string(mode_text(key->mode)) + " " + key_name(key->key_code);

    const std::filesystem::path codeinfo = data_file(program_folder(), ircode::kCodeInfoFileName);
    const std::filesystem::path converter = program_folder() / learning::kFallbackLibraryName;
    const learning::Recognition r =
        !file_timing.empty()
            ? learning::recognise_timing(file_timing, key->table_code, codeinfo, converter)
        : options->flag("--verify")
            ? recognise_verified(*key, timeout_s, codeinfo, converter, io)
            : recognise_from_remote(*key, timeout_s, codeinfo, converter, io);
    if (r.reason == kNoCapture) return kExitRemote;
    if (r.reason.starts_with(kPressesDiffer)) {
        io.err << "orvalin-cli learn: " << r.reason << "; nothing written\n";
        return kExitBadInput;
    }
    if (!r.ok()) {
        io.err << "orvalin-cli learn: the code was not recognised (" << r.reason
               << "); nothing written\n";
        return kExitBadInput;
    }
    return write_learned(session, *key, r, name, io);
}

learning::Recognition recognise_from_remote(const KeyRef& key, int timeout_s,
                                            const std::filesystem::path& codeinfo,
                                            const std::filesystem::path& converter, Streams io) {
    learning::Recognition none;
    none.reason = kNoCapture;
    io.out << "press the key on the other remote, aimed at this one (" << timeout_s << " s)\n"
           << std::flush;
    std::string collected;
    switch (collect(std::chrono::seconds(timeout_s), collected)) {
        case Capture::received:
            break;
        case Capture::carrier_failed:
            io.err << "orvalin-cli learn: the remote refused code collection\n";
            return none;
        case Capture::timed_out:
            io.err << "orvalin-cli learn: no code within " << timeout_s << " s; nothing written\n";
            return none;
        case Capture::link_lost:
            io.err << "orvalin-cli learn: the remote was unplugged; nothing written\n";
            return none;
    }
    return learning::recognise_collected(collected, key.table_code, codeinfo, converter);
}

int write_learned(learning::Session& session, const KeyRef& key, const learning::Recognition& r,
                  const std::string& name, Streams io) {
    session.start_learning();
    if (const auto e = session.add_learned_key(key.key_code, r.table);
        e != learning::TableError::none) {
        io.err << "orvalin-cli learn: " << learning::describe(e) << "; nothing written\n";
        return kExitBadInput;
    }
    session.stop_learning();
    if (!session.commit()) return report_write_failure(session, "learn", io.err);
    session.confirm_pending();
    io.out << "learned: " << name << " ("
           << (r.type_name.empty() ? (r.shape.empty() ? "generic" : "generic (" + r.shape + ")")
                                   : r.type_name)
           << ")\n";
    return kExitDone;
}

}  // namespace orvalin::cli
