// The LIRC reader against LIRC's own rendering: irsimsend sends a key of a
// configuration of Debian's lirc-compat-remotes, and the reader's press with the
// same number of repeats must match it pulse for pulse.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "signals/formats/lirc_config.h"
#include "tests/formats/signal_checks.h"

namespace orvalin::formats {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return {};
    std::string text;
    char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return text;
}

// irsimsend's durations for `count` sends of the key, trailing silence dropped.
std::vector<int> irsimsend(const fs::path& config, const std::string& key, int count,
                           const fs::path& dir) {
    fs::remove(dir / "simsend.out");
    const std::string command = "cd '" + dir.string() + "' && XDG_CACHE_HOME='" + dir.string() +
                                "' irsimsend -c " + std::to_string(count) + " -k '" + key + "' '" +
                                config.string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<int> out;
    const std::string text = slurp(dir / "simsend.out");
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        const bool pulse = line.rfind("pulse ", 0) == 0;
        if (!pulse && line.rfind("space ", 0) != 0) continue;
        const int us = std::atoi(line.c_str() + 6);
        push_joined(out, pulse ? us : -us);
    }
    while (!out.empty() && out.back() < 0) out.pop_back();
    return out;
}

TEST(FormatsLircOracle, KeysMatchIrsimsend) {
    const fs::path remotes = "/usr/share/lirc/remotes";
    ASSERT_TRUE(fs::exists(remotes)) << "lirc-compat-remotes is not installed";
    // Every configuration of the package that holds timings (pulse-distance with
    // and without constant length, REVERSE, repeat codes, RC5, SHIFT_ENC, RC6 with
    // its mask). Those of USB receivers give no timings and are refused, as are
    // the kinds the reader leaves out.
    std::vector<fs::path> configs;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(remotes)) {
        const std::string file = e.path().filename().string();
        if (e.is_regular_file() &&
            (file.find("lircd.conf") != std::string::npos || e.path().extension() == ".conf")) {
            configs.push_back(e.path());
        }
    }
    std::sort(configs.begin(), configs.end());
    const fs::path dir =
        fs::temp_directory_path() / ("orvalin-irsimsend-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    int compared = 0;
    std::vector<std::string> checked;
    for (const fs::path& file : configs) {
        SCOPED_TRACE(file.string());
        // irsimsend finds the keys of a file of one remote only: each remote goes
        // into a file of its own.
        const std::string whole = slurp(file);
        std::vector<std::string> remotes_of_file;
        for (std::size_t at = whole.find("begin remote"); at != std::string::npos;) {
            const std::size_t end = whole.find("end remote", at);
            if (end == std::string::npos) break;
            remotes_of_file.push_back(whole.substr(at, end + 10 - at) + "\n");
            at = whole.find("begin remote", end);
        }
        for (std::size_t r = 0; r < remotes_of_file.size(); ++r) {
            const std::string& text = remotes_of_file[r];
            const fs::path config = dir / ("remote-" + std::to_string(r) + ".conf");
            std::FILE* out = std::fopen(config.c_str(), "wb");
            ASSERT_NE(out, nullptr);
            std::fwrite(text.data(), 1, text.size(), out);
            std::fclose(out);
            std::string error;
            const std::optional<SignalFile> f = read_lirc(text, file.string(), &error);
            if (!f) {
                EXPECT_TRUE(error.find("'one' and 'zero' are needed") != std::string::npos ||
                            error.find("are not supported") != std::string::npos ||
                            error.find("no key") != std::string::npos)
                    << error;
                continue;
            }
            // irsimsend leaves out the repeats that min_repeat adds to every press.
            int min_repeat = 0;
            if (const std::size_t at = text.find("min_repeat"); at != std::string::npos) {
                min_repeat = std::atoi(text.c_str() + at + 10);
            }
            checked.push_back(file.filename().string());
            const std::vector<CodeSignal>& keys = f->signals;
            for (std::size_t i = 0; i < keys.size();
                 i += std::max<std::size_t>(1, keys.size() / 2)) {
                const CodeSignal& key = keys[i];
                // irsimsend sends the first key of that name.
                if (f->find(key.name) != &key) continue;
                for (const int count : {1, 3}) {
                    const std::vector<int> want =
                        irsimsend(config, key.name, count + min_repeat, dir);
                    ASSERT_FALSE(want.empty()) << key.name;
                    const std::vector<int> got = render_press(key, count - 1).durations_us;
                    EXPECT_EQ(test::compare_durations(got, want, 0, 1), "")
                        << key.name << " x" << count;
                    ++compared;
                }
            }
        }
    }
    fs::remove_all(dir);
    EXPECT_GE(compared, 40);
    // Each kind was compared, not refused: pulse-distance with a repeat code,
    // REVERSE, min_repeat, RC5 with toggle_bit, SHIFT_ENC, RC6 with rc6_mask and
    // toggle_bit_mask.
    for (const char* name :
         {"lircd.conf.RM-0010", "lircd.conf.animax", "lircd.conf.infracd", "lircd.conf.streamzap",
          "lircd.conf.hauppauge", "lircd.conf.Aspire_6530G"}) {
        EXPECT_NE(std::find(checked.begin(), checked.end(), name), checked.end()) << name;
    }
}

}  // namespace
}  // namespace orvalin::formats
