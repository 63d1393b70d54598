// orvalin-cli's library and import commands as a user runs them: the real
// binary, its own config and cache folders, a simulated remote per test, the
// JSON documents checked by a JSON reader (python3), and what the remote holds.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kProgram = fs::path(ORVALIN_PROGRAM_DIR) / "orvalin-cli";
const fs::path kTree = fs::path(ORVALIN_TEST_DATA_DIR) / "library" / "tree";

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

class LibraryCli : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "orvalin-library-cli-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
        fs::copy(kTree, dir_ / "tree", fs::copy_options::recursive);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Result run(const std::vector<std::string>& args) {
        std::string command = "env VORKEL_BACKEND=sim VORKEL_SIM_LATENCY_US=0 VORKEL_SIM_STATE=" +
                              quote((dir_ / "state").string()) +
                              " ORVALIN_BACKUP_DIR=" + quote((dir_ / "backups").string()) +
                              " XDG_CONFIG_HOME=" + quote((dir_ / "config").string()) +
                              " XDG_CACHE_HOME=" + quote((dir_ / "cache").string()) +
                              " ORVALIN_SYSTEM_LIBRARY= " + quote(kProgram.string());
        for (const std::string& a : args) command += " " + quote(a);
        command += " >" + quote((dir_ / "out").string()) + " 2>" + quote((dir_ / "err").string());
        const int raw = std::system(command.c_str());
        Result r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = read_file(dir_ / "out");
        r.err = read_file(dir_ / "err");
        return r;
    }

    // Evaluates a Python expression over the JSON document d; "INVALID" when it is not JSON.
    std::string json(const std::string& document, const std::string& expression) {
        std::ofstream(dir_ / "doc.json", std::ios::binary | std::ios::trunc) << document;
        const std::string command =
            "python3 -c " +
            quote(
                "import json,sys\ntry:\n d=json.load(open(sys.argv[1]))\nexcept Exception:\n "
                "print('INVALID'); sys.exit(0)\nprint((" +
                expression + "))") +
            " " + quote((dir_ / "doc.json").string()) + " >" + quote((dir_ / "py").string());
        if (std::system(command.c_str()) != 0) return "PYTHON FAILED";
        std::string out = read_file(dir_ / "py");
        if (!out.empty() && out.back() == '\n') out.pop_back();
        return out;
    }

    std::string key_line(const std::string& mode, const std::string& prefix) {
        const Result r = run({"keys", "--mode", mode});
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);)
            if (line.rfind(prefix, 0) == 0) return line;
        return "<missing>";
    }
    std::size_t backups() const {
        std::error_code ec;
        std::size_t n = 0;
        for (const auto& e : fs::directory_iterator(dir_ / "backups", ec)) {
            (void)e;
            ++n;
        }
        return n;
    }
    std::string id_of(const std::string& text) {
        const Result r = run({"library", "search", text, "--json"});
        return json(r.out, "d[0]['id']");
    }

    fs::path tree() const { return dir_ / "tree"; }
    fs::path dir_;
};

TEST_F(LibraryCli, FoldersAreAddedListedSearchedShownAndRemoved) {
    Result r = run({"library", "add", tree().string(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json(r.out, "d['files'], d['signals'], d['unreadable']"), "(9, 61, 3)");
    EXPECT_EQ(run({"library", "add", tree().string()}).status, 2);  // already there
    EXPECT_EQ(run({"library", "add", (dir_ / "nowhere").string()}).status, 2);
    EXPECT_TRUE(fs::exists(dir_ / "config" / "orvalin" / "library-folders"));
    EXPECT_TRUE(fs::exists(dir_ / "cache" / "orvalin" / "library.sqlite"));

    r = run({"library", "list", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json(r.out, "[f['folder'] for f in d['folders']] == ['" + tree().string() + "']"),
              "True");
    EXPECT_EQ(json(r.out, "len(d['unreadable'])"), "3");
    r = run({"library", "list"});
    EXPECT_NE(r.out.find(tree().string() + ": 9 files, 61 signals, 3 unreadable"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("unreadable: " + (tree() / "Broken" / "empty.ir").string()),
              std::string::npos);

    r = run({"library", "search", "samsung", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json(r.out, "sorted(d[0].keys())"),
              "['brand', 'id', 'kind', 'model', 'path', 'signals']");
    EXPECT_EQ(json(r.out, "d[0]['brand'], d[0]['model'], d[0]['kind'], d[0]['signals']"),
              "('Samsung', 'Samsung_UE40', 'TV', 27)");
    r = run({"library", "search", "", "--kind", "dvd", "--json"});
    EXPECT_EQ(json(r.out, "sorted(e['model'] for e in d)"), "['Sony_BDP-S1700', 'dvd']");
    r = run({"library", "search", "zzzz"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(run({"library", "search", "x", "--kind", "toaster"}).status, 2);

    const std::string id = id_of("samsung");
    r = run({"library", "show", id, "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json(r.out, "[(s['signal'], s['key']) for s in d['signals']][:2]"),
              "[('Power', 'AMP'), ('Vol_up', 'VOL+')]");
    EXPECT_EQ(json(r.out, "d['signals'][-1]['key'], d['signals'][-1]['reason']"),
              "(None, 'a signal of the same name comes earlier in the file')");
    r = run({"library", "show", id});
    EXPECT_NE(r.out.find("Menu -> F1\n"), std::string::npos) << r.out;
    EXPECT_EQ(run({"library", "show", "424242"}).status, 1);
    EXPECT_EQ(run({"library", "show", "abc"}).status, 2);

    r = run({"library", "remove", tree().string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(run({"library", "remove", tree().string()}).status, 2);
    EXPECT_EQ(run({"library", "search", "samsung"}).status, 1);
}

TEST_F(LibraryCli, ImportLearnsTheWholeModeInOneWrite) {
    const fs::path file = tree() / "TVs" / "Samsung" / "Samsung_UE40.ir";
    // Dry run: reported, nothing written, no backup.
    Result r = run({"import", "--mode", "TV", file.string(), "--dry-run", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json(r.out, "sorted(d.keys())"), "['file', 'keys', 'mode', 'replaced', 'written']");
    EXPECT_EQ(json(r.out, "d['file'] == '" + file.string() + "', d['mode'], d['written']"),
              "(True, 'TV', False)");
    EXPECT_EQ(json(r.out, "sorted(d['keys'][0].keys())"),
              "['code', 'key', 'learned', 'reason', 'signal', 'type']");
    EXPECT_EQ(json(r.out, "d['keys'][1]"),
              "{'signal': 'Vol_up', 'key': 'VOL+', 'code': '0x10', 'type': 'Samsung32', "
              "'learned': True, 'reason': None}");
    EXPECT_EQ(json(r.out, "d['keys'][-1]['key'], d['keys'][-1]['code'], d['keys'][-1]['learned']"),
              "(None, None, False)");
    EXPECT_EQ(json(r.out, "sum(k['learned'] for k in d['keys'])"), "26");
    EXPECT_EQ(key_line("TV", "TV 0x10"), "TV 0x10 VOL+: empty");
    EXPECT_EQ(backups(), 0u);

    // A key learned before is named as replaced before the write.
    ASSERT_EQ(run({"learn", "--mode", "TV", "--key", "VOL+", "--from",
                   (fs::path(ORVALIN_TEST_DATA_DIR) / "cli" / "nec1_press.mode2").string()})
                  .status,
              0);
    const std::size_t before = backups();
    r = run(
        {"import", "--mode", "TV", file.string(), "--map", "Netflix=none", "--map", "Info=0x2c"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Vol_up -> VOL+ (0x10): Samsung32\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Info -> F12 (0x2C): Samsung32\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Netflix: not mapped (left out)\n"), std::string::npos) << r.out;
    const auto replaced = r.out.find("will be replaced: VOL+\n");
    const auto learned = r.out.find("learned 25 keys into TV; written\n");
    EXPECT_NE(replaced, std::string::npos) << r.out;
    EXPECT_NE(learned, std::string::npos) << r.out;
    EXPECT_LT(replaced, learned);
    EXPECT_EQ(backups(), before + 1);  // one write, one backup
    EXPECT_EQ(key_line("TV", "TV 0x10"),
              "TV 0x10 VOL+: learned Samsung32 device=7 subdevice=7 function=17 carrier=37.7kHz");
    EXPECT_EQ(key_line("TV", "TV 0x2C"),
              "TV 0x2C F12: learned Samsung32 device=7 subdevice=7 function=39 carrier=37.7kHz");
    EXPECT_EQ(key_line("TV", "TV 0x1E"), "TV 0x1E F4: empty");  // Netflix left out
    EXPECT_EQ(key_line("CBL", "CBL 0x43"), "CBL 0x43 VOL+: preset");

    // From the library by ID into DVD.
    ASSERT_EQ(run({"library", "add", tree().string()}).status, 0);
    r = run({"import", "--mode", "DVD", "--library", id_of("pioneer"), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json(r.out, "d['written'], d['mode'], d['keys'][0]['code']"),
              "(True, 'DVD', '0x66')");
    EXPECT_EQ(key_line("DVD", "DVD 0x86"),
              "DVD 0x86 播放: learned NEC1 device=197 function=24 carrier=37.7kHz");
}

TEST_F(LibraryCli, AFileOfSeveralRemotesNeedsTheRemoteNamed) {
    const fs::path file = fs::path(ORVALIN_TEST_DATA_DIR) / "formats" / "remotes.lircd.conf";
    Result r = run({"import", "--mode", "TV", file.string(), "--dry-run"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("holds 2 remotes; choose one with --remote NAME: tv, fan"),
              std::string::npos)
        << r.err;
    r = run({"import", "--mode", "TV", file.string(), "--remote", "tv", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(json(r.out, "[(k['signal'], k['key'], k['learned']) for k in d['keys']]"),
              "[('KEY_POWER', 'AMP', True), ('KEY_MUTE', '静音', True)]");
    EXPECT_EQ(run({"import", "--mode", "TV", file.string(), "--remote", "vcr"}).status, 2);
}

TEST_F(LibraryCli, ImportRefusesBadInputBeforeTheRemote) {
    const std::string file = (tree() / "TVs" / "Samsung" / "Samsung_UE40.ir").string();
    const std::vector<std::vector<std::string>> cases = {
        {"import", file},
        {"import", "--mode", "VCR", file},
        {"import", "--mode", "TV"},
        {"import", "--mode", "TV", file, "extra"},
        {"import", "--mode", "TV", file, "--map", "Power"},
        {"import", "--mode", "TV", file, "--map", "NoSuch=F1"},
        {"import", "--mode", "TV", file, "--map", "Power=NOSUCHKEY"},
        {"import", "--mode", "TV", file, "--map", "Power=POWER/TV"},  // a mode key
        {"import", "--mode", "TV", (tree() / "Broken" / "empty.ir").string()},
        {"import", "--mode", "TV", (tree() / "README.md").string()},
        {"import", "--mode", "TV", "--library", "12x"},
        {"import", "--mode", "TV", "--library", "77"},
        {"import", "--mode", "TV", file, "--bogus"},
        {"library"},
        {"library", "frobnicate"},
        {"library", "add"},
        {"library", "list", "--kind", "tv"},
    };
    for (const auto& args : cases) {
        const Result r = run(args);
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(r.status, 2) << line << "\n" << r.err;
        EXPECT_FALSE(r.err.empty()) << line;
    }
    EXPECT_EQ(backups(), 0u);
    for (const char* command : {"import", "library"}) {
        const Result r = run({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("usage: orvalin-cli " + std::string(command)), std::string::npos);
    }
}

}  // namespace
