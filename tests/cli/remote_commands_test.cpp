// orvalin-cli managing the simulated remote as a user runs it: the real binary,
// a simulated remote of its own per test (VORKEL_SIM_STATE), its own backup
// folder, and what the remote holds afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/protocol_signals.h"

namespace {

namespace fs = std::filesystem;

const fs::path kProgram = fs::path(ORVALIN_PROGRAM_DIR) / "orvalin-cli";
const fs::path kData = fs::path(ORVALIN_TEST_DATA_DIR) / "cli";

// One learned key: TV VOL+ (table code 10), one type byte and one key byte.
const std::string kOneLearnedKey = "000110CF0A00010B00015AA5";

struct Result {
    int status = -1;
    std::string out;
    std::string err;
};

std::string quote(const std::string& arg) {
    std::string q = "'";
    for (const char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class RemoteCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orvalin-cli-remote-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        fs::create_directories(dir_ / "signals");
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The command line of one run; its input and output files are named by tag.
    std::string command(const std::vector<std::string>& args, const std::string& tag,
                        const std::string& environment = "VORKEL_SIM_LATENCY_US=0") {
        std::string c = "env VORKEL_BACKEND=sim " + environment +
                        " VORKEL_SIM_STATE=" + quote((dir_ / "state").string()) +
                        " VORKEL_SIM_SIGNALS=" + quote((dir_ / "signals").string()) +
                        " ORVALIN_BACKUP_DIR=" + quote(backups().string()) + " " +
                        quote(kProgram.string());
        for (const std::string& a : args) c += " " + quote(a);
        return c + " <" + quote((dir_ / (tag + "in")).string()) + " >" +
               quote((dir_ / (tag + "out")).string()) + " 2>" +
               quote((dir_ / (tag + "err")).string());
    }
    Result collect(int raw, const std::string& tag) {
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = read_file(dir_ / (tag + "out"));
        r.err = read_file(dir_ / (tag + "err"));
        return r;
    }
    Result run(const std::vector<std::string>& args, const std::string& input = "") {
        std::ofstream(dir_ / "in", std::ios::binary) << input;
        return collect(std::system(command(args, "").c_str()), "");
    }
    // Starts a run beside this test; finish() waits for it.
    pid_t start(const std::vector<std::string>& args, const std::string& tag,
                const std::string& environment) {
        std::ofstream(dir_ / (tag + "in"), std::ios::binary) << "";
        // exec: the pid is orvalin-cli's own, so a signal reaches it.
        const std::string c = "exec " + command(args, tag, environment);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl("/bin/sh", "sh", "-c", c.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid;
    }
    Result finish(pid_t pid, const std::string& tag) {
        int raw = 0;
        ::waitpid(pid, &raw, 0);
        return collect(raw, tag);
    }

    fs::path file(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
        return dir_ / name;
    }
    fs::path backups() const { return dir_ / "backups"; }
    std::vector<fs::path> files_in_backups(const std::string& prefix) const {
        std::vector<fs::path> found;
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(backups(), ec))
            if (e.path().filename().string().starts_with(prefix)) found.push_back(e.path());
        std::sort(found.begin(), found.end());
        return found;
    }
    // The "keys" line of one key ("TV 0x10 VOL+: learned").
    std::string key_line(const std::string& mode, const std::string& start) {
        const Result r = run({"keys", "--mode", mode});
        EXPECT_EQ(r.status, 0) << r.err;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);)
            if (line.starts_with(start)) return line;
        return "<missing>";
    }
    std::string remote_table() {
        fs::remove(dir_ / "held.hex");
        const Result r = run({"backup", (dir_ / "held.hex").string()});
        EXPECT_EQ(r.status, 0) << r.err;
        return read_file(dir_ / "held.hex");
    }
    void store_one_learned_key() {
        const Result r =
            run({"restore", file("one-key.hex", kOneLearnedKey + "\n").string(), "--yes"});
        ASSERT_EQ(r.status, 0) << r.err;
    }

    fs::path dir_;
};

TEST_F(RemoteCommands, InfoAndKeysShowTheFactoryRemote) {
    const Result info = run({"info"});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("remote type: 1800\n"), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("link: attached\n"), std::string::npos);
    EXPECT_NE(info.out.find("TV: 0 learned, 0 preset\n"), std::string::npos);
    EXPECT_NE(info.out.find("CBL: 0 learned, 22 preset\n"), std::string::npos);
    EXPECT_EQ(key_line("CBL", "CBL 0x37"), "CBL 0x37 3: preset");
    EXPECT_EQ(key_line("TV", "TV 0x10"), "TV 0x10 VOL+: empty");
    // Only the mode asked for.
    EXPECT_EQ(run({"keys", "--mode", "dvd"}).out.find("CBL "), std::string::npos);
    EXPECT_FALSE(fs::exists(backups()));  // reading writes nothing
}

TEST_F(RemoteCommands, RestoreShowsTheDiffBacksUpWritesAndReadsBack) {
    const std::string factory = remote_table();
    const fs::path one_key = file("one-key.hex", kOneLearnedKey + "\n");
    // Not confirmed: nothing written, no backup.
    Result r = run({"restore", one_key.string()}, "n\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.out.find("added: TV VOL+ (empty -> learned)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("removed: CBL 3 (preset -> empty)\n"), std::string::npos);
    EXPECT_EQ(remote_table(), factory);
    EXPECT_TRUE(files_in_backups("code-table-").empty());

    r = run({"restore", one_key.string()}, "y\n");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(key_line("TV", "TV 0x10"), "TV 0x10 VOL+: learned");
    ASSERT_EQ(files_in_backups("code-table-").size(), 1u);
    EXPECT_EQ(read_file(files_in_backups("code-table-")[0]), factory);

    // Round trip: the backup (the whole table area as read) brings the factory table back.
    r = run({"restore", files_in_backups("code-table-")[0].string(), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("removed: TV VOL+ (learned -> empty)\n"), std::string::npos) << r.out;
    EXPECT_EQ(key_line("CBL", "CBL 0x37"), "CBL 0x37 3: preset");
    EXPECT_EQ(key_line("TV", "TV 0x10"), "TV 0x10 VOL+: empty");
}

TEST_F(RemoteCommands, MalformedFilesAreRefusedWithNothingWritten) {
    const std::string factory = remote_table();
    const struct {
        const char* name;
        std::string text;
    } cases[] = {
        {"not hex", "ZZ\n"},
        {"empty", ""},
        {"count past the end", "0001"},
        {"piece past the end", "000110CF0A00FF0B00015AA5"},
        {"too large", std::string(70000, '0')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result r = run({"restore", file("bad.hex", c.text).string(), "--yes"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("orvalin-cli restore: "), std::string::npos) << r.err;
    }
    EXPECT_EQ(run({"restore", (dir_ / "missing.hex").string(), "--yes"}).status, 2);
    EXPECT_EQ(remote_table(), factory);
    EXPECT_TRUE(files_in_backups("").empty());
}

TEST_F(RemoteCommands, DeleteAndClearRemoveLearnedKeysOnly) {
    store_one_learned_key();
    const std::size_t backups_before = files_in_backups("code-table-").size();
    // A preset or empty key is bad input, and nothing is written.
    Result r = run({"delete", "--mode", "TV", "--key", "CH+"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("TV CH+ holds no learned code"), std::string::npos) << r.err;
    EXPECT_EQ(files_in_backups("code-table-").size(), backups_before);

    // By the table code in hex.
    r = run({"delete", "--key", "0x10"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "deleted: TV VOL+\n");
    EXPECT_EQ(key_line("TV", "TV 0x10"), "TV 0x10 VOL+: empty");
    EXPECT_EQ(files_in_backups("code-table-").size(), backups_before + 1);

    store_one_learned_key();
    r = run({"clear", "--mode", "CBL"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "cleared: no learned keys in CBL\n");
    r = run({"clear", "--mode", "TV"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "cleared: 1 learned keys in TV\n");
    EXPECT_EQ(key_line("TV", "TV 0x10"), "TV 0x10 VOL+: empty");
}

TEST_F(RemoteCommands, LearnTakesOneKeyFromTheReceiver) {
    fs::copy_file(kData / "nec1_press.mode2", dir_ / "signals" / "press.mode2");
    Result r = run({"learn", "--mode", "DVD", "--key", "vol+", "--timeout", "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("learned: DVD VOL+ (NEC1)\n"), std::string::npos) << r.out;
    EXPECT_EQ(key_line("DVD", "DVD 0x76"),
              "DVD 0x76 VOL+: learned NEC1 device=4 function=8 carrier=37.7kHz");
    EXPECT_EQ(files_in_backups("code-table-").size(), 1u);

    // No signal left: the time runs out, nothing is written.
    const std::string held = remote_table();
    r = run({"learn", "--mode", "DVD", "--key", "CH+", "--timeout", "1"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no code within 1 s"), std::string::npos) << r.err;
    EXPECT_EQ(remote_table(), held);
}

// learn --verify against the receiver: the key is taken when two presses agree,
// a third decides when they differ, and a toggle bit is no difference.
TEST_F(RemoteCommands, LearnVerifiedByASecondPress) {
    const auto queue = [&](const std::vector<std::pair<std::string, std::string>>& presses) {
        for (const auto& [name, text] : presses) file("signals/" + name, text);
    };
    const auto mode2 = [](const char* protocol, std::vector<unsigned> params, int toggle) {
        std::mt19937 rng(7);
        const auto& p = orvalin::protocols::protocol(protocol);
        const auto g =
            orvalin::protocols::generate(p, params, toggle, p.frames_per_press, rng, 0.02);
        std::string out = "carrier " + std::to_string(g.signal.carrier_hz) + "\n";
        for (const int d : g.signal.durations_us)
            out += (d > 0 ? "pulse " : "space ") + std::to_string(std::abs(d)) + "\n";
        return out;
    };
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> presses;
        int status;
        std::vector<std::string> out;  // lines the output holds
        const char* line;              // the key's line afterwards
    } cases[] = {
        {"two equal presses",
         {{"a.mode2", mode2("NEC1", {4, 0, 21}, 0)}, {"b.mode2", mode2("NEC1", {4, 0, 21}, 0)}},
         0,
         {"press the key once more to check it"},
         "TV 0x10 VOL+: learned NEC1 device=4 function=21 carrier=37.7kHz"},
        {"a toggle bit",
         {{"a.mode2", mode2("RC5", {5, 83}, 0)}, {"b.mode2", mode2("RC5", {5, 83}, 1)}},
         0,
         {"press the key once more to check it"},
         "TV 0x10 VOL+: learned RC5 device=5 function=83 carrier=35.7kHz"},
        {"two different, a third decides",
         {{"a.mode2", mode2("NEC1", {4, 0, 21}, 0)},
          {"b.mode2", mode2("NEC1", {4, 0, 22}, 0)},
          {"c.mode2", mode2("NEC1", {4, 0, 22}, 0)}},
         0,
         {"the two presses differ (function 21 / 22); press the key a third time"},
         "TV 0x10 VOL+: learned NEC1 device=4 function=22 carrier=37.7kHz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        queue(c.presses);
        const Result r =
            run({"learn", "--mode", "TV", "--key", "VOL+", "--timeout", "5", "--verify"});
        EXPECT_EQ(r.status, c.status) << r.err;
        for (const std::string& line : c.out)
            EXPECT_NE(r.out.find(line + "\n"), std::string::npos) << r.out;
        EXPECT_EQ(key_line("TV", "TV 0x10"), c.line);
    }
    // Three different codes: nothing is written.
    const std::string held = remote_table();
    queue({{"a.mode2", mode2("NEC1", {4, 0, 1}, 0)},
           {"b.mode2", mode2("NEC1", {4, 0, 2}, 0)},
           {"c.mode2", mode2("NEC1", {4, 0, 3}, 0)}});
    const Result r = run({"learn", "--mode", "TV", "--key", "VOL+", "--timeout", "5", "--verify"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("three presses gave three different codes: function 1 / 3; function 2 / "
                         "3; nothing written"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(remote_table(), held);
    EXPECT_EQ(run({"learn", "--mode", "TV", "--key", "F1", "--verify", "--from", "x.ir"}).status,
              2);
}

TEST_F(RemoteCommands, LearnFromACodeFile) {
    const fs::path formats = fs::path(ORVALIN_TEST_DATA_DIR) / "formats";
    Result r = run(
        {"learn", "--mode", "TV", "--key", "F1", "--from", (kData / "nec1_press.mode2").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "learned: TV F1 (NEC1)\n");
    EXPECT_EQ(key_line("TV", "TV 0x16"),
              "TV 0x16 F1: learned NEC1 device=4 function=8 carrier=37.7kHz");

    // A file of several signals needs --signal; a name that is not there is bad input.
    const std::string held = remote_table();
    r = run({"learn", "--mode", "TV", "--key", "F2", "--from", (formats / "remote.ir").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("choose one with --signal NAME"), std::string::npos) << r.err;
    r = run({"learn", "--mode", "TV", "--key", "F2", "--from", (formats / "remote.ir").string(),
             "--signal", "NoSuch"});
    EXPECT_EQ(r.status, 2);
    r = run({"learn", "--mode", "TV", "--key", "F2", "--from",
             file("junk.txt", "not a code file\n").string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(remote_table(), held);

    r = run({"learn", "--mode", "TV", "--key", "F2", "--from", (formats / "remote.ir").string(),
             "--signal", "Power"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(key_line("TV", "TV 0x18"),
              "TV 0x18 F2: learned NEC1 device=4 function=8 carrier=37.7kHz");
}

// A learned key's line names its code type with the protocol's numbers read
// back from the image, and the carrier; --json gives the same for scripts.
TEST_F(RemoteCommands, KeysShowTheProtocolAndParametersOfLearnedKeys) {
    const std::string parsed = [] {
        std::string out = "Filetype: IR signals file\nVersion: 1\n";
        const char* signals[][4] = {{"rc5", "RC5", "05 00 00 00", "35 00 00 00"},
                                    {"sirc", "SIRC", "01 00 00 00", "15 00 00 00"},
                                    {"samsung", "Samsung32", "07 00 00 00", "02 00 00 00"},
                                    {"rc6", "RC6", "00 00 00 00", "0C 00 00 00"},
                                    {"necext", "NECext", "04 12 00 00", "15 EA 00 00"}};
        for (const auto& s : signals)
            out += std::string("#\nname: ") + s[0] + "\ntype: parsed\nprotocol: " + s[1] +
                   "\naddress: " + s[2] + "\ncommand: " + s[3] + "\n";
        return out;
    }();
    const fs::path codes = file("codes.ir", parsed);
    const struct {
        const char* signal;
        const char* line;
    } cases[] = {
        {"rc5", "CBL 0x49 F1: learned RC5 device=5 function=53 carrier=35.7kHz"},
        {"sirc", "CBL 0x49 F1: learned Sony12 function=21 device=1 carrier=40.0kHz"},
        {"samsung",
         "CBL 0x49 F1: learned Samsung32 device=7 subdevice=7 function=2 carrier=37.7kHz"},
        {"rc6", "CBL 0x49 F1: learned RC6 mode=0 device=0 function=12 carrier=35.7kHz"},
        {"necext", "CBL 0x49 F1: learned NEC1 device=4 subdevice=18 function=21 carrier=37.7kHz"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.signal);
        const Result r = run({"learn", "--mode", "CBL", "--key", "F1", "--from", codes.string(),
                              "--signal", c.signal});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(key_line("CBL", "CBL 0x49"), c.line);
    }

    Result r = run({"keys", "--mode", "CBL", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("[\n{\"mode\":\"CBL\"")) << r.out.substr(0, 80);
    EXPECT_TRUE(r.out.ends_with("}\n]\n"));
    EXPECT_NE(
        r.out.find("{\"mode\":\"CBL\",\"table_code\":\"0x49\",\"key\":\"F1\",\"state\":"
                   "\"learned\",\"code\":{\"type\":\"NEC1\",\"parameters\":{\"device\":4,"
                   "\"subdevice\":18,\"function\":21},\"shape\":\"\",\"carrier_hz\":37736,"
                   "\"symbols\":[[557,-557],[557,-1670]],\"frames\":[{\"durations\":[8904,-4452,"),
        std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\"key\":\"F2\",\"state\":\"empty\",\"code\":null}"), std::string::npos);
    EXPECT_EQ(run({"keys", "--json", "extra"}).status, 2);
}

// Export replays every learned key's image: the exported signal is recognised
// again as the code that was learned.
TEST_F(RemoteCommands, ExportWritesEveryLearnedKeyNamedByKey) {
    EXPECT_EQ(run({"export"}).status, 2);  // nothing learned yet
    ASSERT_EQ(run({"learn", "--mode", "CBL", "--key", "OK", "--from",
                   (kData / "nec1_press.mode2").string()})
                  .status,
              0);
    const fs::path out = dir_ / "keys.mode2";
    Result r = run({"export", "-o", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "exported 1 keys to " + out.string() + "\n");
    EXPECT_NE(read_file(out).find("CBL_OK"), std::string::npos);
    r = run({"analyse", out.string()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("type: NEC1\n"), std::string::npos) << r.out;

    r = run({"export", "--mode", "CBL", "--format", "flipper"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("name: CBL_OK\n"), std::string::npos) << r.out;
    EXPECT_EQ(run({"export", "--mode", "TV"}).status, 2);  // no learned key in TV
    EXPECT_EQ(run({"export", "--format", "wav"}).status, 2);
    const std::string before = read_file(out);
    EXPECT_EQ(run({"export", "-o", out.string()}).status, 2);  // never overwritten
    EXPECT_EQ(read_file(out), before);
}

TEST_F(RemoteCommands, BadInputIsRefusedBeforeTheRemote) {
    const std::vector<std::vector<std::string>> cases = {
        {"keys", "--mode", "VCR"},
        {"keys", "extra"},
        {"delete", "--mode", "TV"},
        {"delete", "--mode", "TV", "--key", "NOSUCHKEY"},
        {"delete", "--mode", "TV", "--key", "自定义"},  // names four keys
        {"delete", "--mode", "TV", "--key", "0x40"},    // a CBL code
        {"delete", "--key", "0x99"},                    // beyond DVD
        {"delete", "--key", "VOL+"},                    // a name needs a mode
        {"clear"},
        {"learn", "--mode", "TV", "--key", "VOL+", "--timeout", "0"},
        {"learn", "--mode", "TV", "--key", "VOL+", "--timeout", "x"},
        {"learn", "--mode", "TV", "--key", "VOL+", "--signal", "Power"},
        {"restore"},
        {"backup", "a", "b"},
        {"info", "x"},
    };
    for (const auto& args : cases) {
        SCOPED_TRACE(args[0] + " " + (args.size() > 1 ? args[1] : ""));
        const Result r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_FALSE(r.err.empty());
    }
    EXPECT_FALSE(fs::exists(backups()));
}

TEST_F(RemoteCommands, BackupNeverOverwritesAFile) {
    const fs::path target = file("mine.hex", "keep me");
    const Result r = run({"backup", target.string()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(read_file(target), "keep me");
    const Result saved = run({"backup"});
    ASSERT_EQ(saved.status, 0) << saved.err;
    ASSERT_EQ(files_in_backups("code-table-").size(), 1u);
    EXPECT_EQ(saved.out, "saved: " + files_in_backups("code-table-")[0].string() + "\n");
}

// A table area that reads as erased: the commands that need the table refuse
// with status 1 and write nothing; restore still brings a table back.
TEST_F(RemoteCommands, ErasedTableIsRefusedAndCanBeRestored) {
    store_one_learned_key();  // the state file exists from here on
    const fs::path state = dir_ / "state";
    std::string memory = read_file(state);
    const std::size_t magic = std::string("orvalin simulated remote memory 1\n").size();
    ASSERT_GE(memory.size(), magic + 0xDA * 256 + 5632);
    for (std::size_t i = 0; i < 5632; ++i) memory[magic + 0xDA * 256 + i] = '\xFF';
    std::ofstream(state, std::ios::binary | std::ios::trunc) << memory;

    for (const auto& args : std::vector<std::vector<std::string>>{
             {"keys"}, {"info"}, {"clear", "--mode", "TV"}, {"delete", "--key", "0x10"}}) {
        const Result r = run(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find("not well formed"), std::string::npos) << r.err;
    }
    EXPECT_EQ(read_file(state), memory);
    const Result r = run({"restore", file("good.hex", kOneLearnedKey).string(), "--yes"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(key_line("TV", "TV 0x10"), "TV 0x10 VOL+: learned");
}

}  // namespace

namespace {

// One remote, two orvalin-cli processes at a realistic latency: the first waits for a
// key press while the second learns a key from a file and writes; then the press
// arrives and the first writes. Its write goes onto what the remote holds then.
TEST_F(RemoteCommands, TwoProcessesLearningKeepBothKeysOrNameTheConflict) {
    struct Case {
        const char* second_key;
        int first_status;
        std::vector<std::string> learned;  // "keys" lines that must say learned
    };
    const std::vector<Case> cases = {
        {"CH+", 0, {"TV 0x10 VOL+: learned", "TV 0x12 CH+: learned"}},
        // Both learned VOL+ (other codes): the second one's key stays; the first names it.
        {"VOL+", 1, {"TV 0x10 VOL+: learned"}},
    };
    // Another code than the first one's press.
    const fs::path signals = fs::path(ORVALIN_TEST_DATA_DIR) / "formats" / "remote.ir";
    const auto a_early = [&](int raw) {
        return "the first one ended before the press: " + collect(raw, "a").err;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second_key);
        for (const char* name : {"state", "aout", "aerr", "bout", "berr"}) fs::remove(dir_ / name);
        fs::remove_all(backups());
        const std::string latency = "VORKEL_SIM_LATENCY_US=1000";
        const pid_t first =
            start({"learn", "--mode", "TV", "--key", "VOL+", "--timeout", "90"}, "a", latency);
        // It has read the table once it asks for the press.
        for (int i = 0; i < 400 && read_file(dir_ / "aout").find("press") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        const Result second = finish(start({"learn", "--mode", "TV", "--key", c.second_key,
                                            "--from", signals.string(), "--signal", "Sony20"},
                                           "b", latency),
                                     "b");
        EXPECT_EQ(second.status, 0) << second.err;
        // Now the key is pressed at the first one.
        fs::copy_file(kData / "nec1_press.mode2", dir_ / "signals" / "press.mode2",
                      fs::copy_options::overwrite_existing);
        int raw = 0;
        const bool still_waiting = ::waitpid(first, &raw, WNOHANG) == 0;
        EXPECT_TRUE(still_waiting) << a_early(raw);
        const Result a = still_waiting ? finish(first, "a") : collect(raw, "a");
        EXPECT_EQ(a.status, c.first_status) << a.err;
        if (c.first_status != 0) {
            EXPECT_NE(a.err.find("changed there too: TV VOL+;"), std::string::npos) << a.err;
            EXPECT_EQ(files_in_backups("unwritten-").size(), 1u);
        }
        const Result keys = run({"keys", "--mode", "TV"});
        for (const std::string& line : c.learned)
            EXPECT_NE(keys.out.find(line), std::string::npos) << keys.out;
    }
}

// While another process keeps the remote's lock, a write waits a little, then
// reports the remote busy and writes nothing.
TEST_F(RemoteCommands, BusyRemoteIsReportedAndNotWritten) {
    store_one_learned_key();
    const std::string held = remote_table();
    const char* runtime = std::getenv("ORVALIN_RUNTIME_DIR");
    ASSERT_NE(runtime, nullptr);
    fs::create_directories(runtime);
    const int fd = ::open((fs::path(runtime) / "orvalin-remote-sim.lock").c_str(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX), 0);
    std::ofstream(dir_ / "in", std::ios::binary) << "";
    const Result r = collect(std::system(command({"delete", "--mode", "TV", "--key", "VOL+"}, "",
                                                 "VORKEL_SIM_LATENCY_US=0 ORVALIN_LOCK_WAIT_MS=300")
                                             .c_str()),
                             "");
    ::close(fd);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the remote is busy"), std::string::npos) << r.err;
    EXPECT_EQ(remote_table(), held);
    // Free again: the same command goes through.
    EXPECT_EQ(run({"delete", "--mode", "TV", "--key", "VOL+"}).status, 0);
}

}  // namespace

namespace {

// orvalin-cli killed (SIGKILL) at a spread of points after it learned a key, at a
// realistic latency: the key is on the remote or in the journal, and recover puts it
// on the remote; no journal is left behind.
TEST_F(RemoteCommands, KilledLearnLosesNoKey) {
    const fs::path journals = backups() / "journal";
    const fs::path signal = fs::path(ORVALIN_TEST_DATA_DIR) / "formats" / "remote.ir";
    const auto journal_left = [&] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(journals, ec))
            if (e.path().filename().string().starts_with("journal-")) return true;
        return false;
    };
    int recovered = 0;
    for (int delay_ms = 0; delay_ms <= 2200; delay_ms += 200) {
        SCOPED_TRACE(delay_ms);
        fs::remove(dir_ / "state");
        fs::remove_all(backups());
        const pid_t cli = start({"learn", "--mode", "TV", "--key", "VOL+", "--from",
                                 signal.string(), "--signal", "Sony20"},
                                "k", "VORKEL_SIM_LATENCY_US=1000");
        // The key is learned once its journal exists.
        bool learned = false;
        int raw = 0;
        for (int i = 0; i < 5000 && !learned; ++i) {
            learned = journal_left();
            if (!learned && ::waitpid(cli, &raw, WNOHANG) == cli) break;
            if (!learned) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_TRUE(learned) << "no journal before the end: " << collect(raw, "k").err;
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        ::kill(cli, SIGKILL);
        ::waitpid(cli, &raw, 0);
        const bool left = journal_left();
        const Result r = run({"recover", "--yes"});
        EXPECT_EQ(r.status, 0) << r.err;
        if (left) {
            ++recovered;
            EXPECT_NE(r.out.find("learned: TV VOL+"), std::string::npos) << r.out;
        }
        EXPECT_NE(key_line("TV", "TV 0x10").find("learned"), std::string::npos);
        EXPECT_FALSE(journal_left());
    }
    // Some kills came before the write, some after: both ends were tried.
    EXPECT_GT(recovered, 0);
    EXPECT_LT(recovered, 12);
}

}  // namespace
