// Faults at one point of a full commit write, of the start-up table read or of a
// capture, against the simulated remote (linked statically). Each point gives an
// empty text when every promise held, else what broke: no failure taken for
// success, the learned keys on the remote or saved beside the backups, a backup of
// the last good table, and a restore of it (read back, as orvalin-cli does) that
// holds. Used by the sampled test and by the full sweep under bench/.
#pragma once

#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "device/sim/sim_control.h"
#include "device/vorkel.h"
#include "learning/code_table.h"
#include "learning/session.h"
#include "learning/table_backup.h"

namespace orvalin::learning::sweep {

namespace fs = std::filesystem;

inline std::string hex_byte(int v) {
    char b[3];
    std::snprintf(b, sizeof b, "%02X", v & 0xFF);
    return b;
}

inline std::vector<uint8_t> bytes_of(const std::string& hex) {
    std::vector<uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

inline std::string read_table() {
    std::vector<char> buffer(12288, '\0');
    if (!RCodeTypeData(buffer.data()) || buffer[0] == '\0') return {};
    return std::string(buffer.data(), buffer.size());
}

inline std::string read_text(const fs::path& p) {
    std::FILE* f = std::fopen(p.c_str(), "rb");
    std::string s;
    if (f == nullptr) return s;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
    std::fclose(f);
    return s;
}

// A one-key table with pieces of 60 bytes, distinct per key.
inline std::string one_key(int code) {
    std::string t = "0001" + hex_byte(code) + "CF0000" + hex_byte(60) + "0000" + hex_byte(60);
    for (int i = 0; i < 120; ++i) t += hex_byte(code + i);
    return t;
}

// `count` points spread over [0, total), first and last included; all when count >= total.
inline std::vector<std::size_t> spread(std::size_t total, std::size_t count) {
    std::vector<std::size_t> points;
    if (count >= total) {
        for (std::size_t i = 0; i < total; ++i) points.push_back(i);
        return points;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t p = i * (total - 1) / (count - 1);
        if (points.empty() || points.back() != p) points.push_back(p);
    }
    return points;
}

inline SessionIo device_io(const fs::path& folder) {
    return {[](const std::string& t) { return WCodeTypeData(t.c_str()); },
            [folder](std::string_view remote) {
                return save_table_backup(remote, folder, std::chrono::system_clock::now());
            },
            [](const std::string&) { return false; },
            {},
            [folder](std::string_view t) {
                return save_unwritten_table(t, folder, std::chrono::system_clock::now());
            }};
}

enum class WriteFault { refused_report, unplug };

class Sweep {
  public:
    // folder: where each point keeps its backups (a sub-folder per point).
    explicit Sweep(fs::path folder) : folder_(std::move(folder)) {
        vorkel::sim::activate();
        std::string base(table_without_padding(read_table()));
        for (int code = 0; code < 4 && !base.empty(); ++code)
            base = rebuild_code_text(base, one_key(code)).text;
        good_ = normalised_table(base).text;  // as a backup gives it back
        // The session's table: as many more keys as the write can carry.
        std::string big = good_;
        for (int code = 4; code < 150 && !big.empty(); ++code) {
            TableResult r = rebuild_code_text(big, one_key(code));
            if (!r.ok()) break;
            big = std::move(r.text);
            last_code_ = code;
        }
        big_size_ = big.size();
    }

    bool ready() const { return !good_.empty() && big_size_ > kMaxTableChars - 300; }
    int restores_retried() const { return restores_retried_; }

    std::size_t commit_reports() {
        start_remote();
        Session probe(device_io(folder_ / "probe"));
        if (probe.load(read_table()) != TableError::none) return 0;
        learn_all(probe);
        vorkel::sim::clear_records();
        if (!probe.commit()) return 0;
        return vorkel::sim::reports().size();
    }

    std::string commit_point(WriteFault kind, std::size_t point) {
        start_remote();
        const fs::path folder = folder_ / std::to_string(++run_);
        Session session(device_io(folder));
        if (session.load(read_table()) != TableError::none) return "start-up table not read";
        learn_all(session);
        const std::string wanted(table_without_padding(session.working_table()));
        if (kind == WriteFault::refused_report) {
            vorkel::sim::refuse_report_at(point);
        } else {
            vorkel::sim::unplug_after_reports(point);
        }
        const bool ok = session.commit();
        vorkel::sim::clear_faults();
        vorkel::sim::set_attached(true);
        const std::string held(table_without_padding(read_table()));
        if (ok && held.substr(0, wanted.size()) != wanted) return "failure shown as success";
        if (!ok) {
            if (!session.unwritten().ok) return "unwritten table not saved";
            if (read_text(session.unwritten().file) != wanted + "\n")
                return "unwritten table differs";
        }
        const auto newest = newest_backup(folder);
        if (!newest) return "no backup";
        const TableResult backup = read_table_file(*newest);
        if (!backup.ok() || backup.text != good_) return "backup is not the last good table";
        // The next start, whatever the remote holds, then a restore read back. After a
        // report refused inside a block the remote takes the next header as data: the
        // read-back tells, and a second write holds.
        for (int attempt = 0; attempt < 2; ++attempt) {
            Session next(device_io(folder));
            next.load_unreadable(read_table());
            if (!next.write_table(backup.text)) continue;
            if (std::string(table_without_padding(read_table())).substr(0, good_.size()) == good_)
                return {};
            ++restores_retried_;
        }
        return "restore did not bring the table back";
    }

    std::size_t table_reads() {
        start_remote();
        vorkel::sim::clear_records();
        clean_table_ = read_table();
        return vorkel::sim::descriptor_reads().size();
    }

    std::string table_read_point(std::size_t point) {
        start_remote();
        vorkel::sim::fail_string_read_at(point);
        const std::string got = read_table();
        vorkel::sim::clear_faults();
        // A failed read is never a table: nothing, or all of it.
        if (!got.empty() && got != clean_table_) return "partial table delivered";
        if (read_table() != clean_table_) return "next read not whole";
        return {};
    }

    std::size_t capture_reads() {
        start_remote();
        vorkel::sim::clear_records();
        if (!capture(clean_capture_)) return 0;
        return vorkel::sim::descriptor_reads().size();
    }

    std::string capture_point(std::size_t point) {
        start_remote();
        std::string got;
        vorkel::sim::fail_string_read_at(point);
        const bool ok = capture(got);
        vorkel::sim::clear_faults();
        if (!ok) return {};
        // All the samples; a failed status read only loses the carrier digits.
        const std::string text(table_without_padding(got));
        const std::string want(table_without_padding(clean_capture_));
        if (text.size() != want.size() || text.size() < 6) return "capture of another length";
        if (text.substr(0, text.size() - 6) != want.substr(0, want.size() - 6))
            return "broken capture delivered";
        const std::string status = text.substr(text.size() - 6);
        if (status != want.substr(want.size() - 6) && status != "000000") return "wrong status";
        return {};
    }

  private:
    void start_remote() {
        vorkel::sim::activate();
        vorkel::sim::set_code_table(bytes_of(good_));
    }
    void learn_all(Session& s) {
        s.start_learning();
        for (int code = 4; code <= last_code_; ++code) (void)s.add_learned_key(code, one_key(code));
        s.stop_learning();
    }
    static bool capture(std::string& out) {
        const vorkel::sim::Signal nec{{9000, -4500, 560, -560, 560, -1690, 560, -39000}, 38000};
        vorkel::sim::set_signal_delay_polls(0);
        vorkel::sim::queue_signal(nec);
        if (!SetCodeCarrierWave()) return false;
        std::vector<char> buffer(10240);
        for (int poll = 0; poll < 50; ++poll) {
            std::fill(buffer.begin(), buffer.end(), '\0');
            if (RCollectCodeInfo(buffer.data())) {
                out.assign(buffer.data(), buffer.size());
                return true;
            }
        }
        return false;
    }

    fs::path folder_;
    std::string good_;
    std::string clean_table_;
    std::string clean_capture_;
    std::size_t big_size_ = 0;
    int last_code_ = 0;
    int run_ = 0;
    int restores_retried_ = 0;
};

}  // namespace orvalin::learning::sweep
