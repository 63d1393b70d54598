// Any text as an irdb CSV file and as a names file: a file comes back read or
// with an error, every signal it gives renders to a press, and the mapping of
// its names never puts two signals on one key.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "library/irdb_csv.h"
#include "library/key_mapping.h"
#include "library/key_names.h"
#include "library/library_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace orvalin::library;
    const std::string body(reinterpret_cast<const char*>(data), size);
    const LibraryFile file =
        parse_library_file("functionname,protocol,device,subdevice,function\n" + body,
                           "/lib/Brand/TV/1,-1.csv", "/lib");
    if (!file.ok() && !file.signals.empty()) std::abort();
    std::vector<std::string> names;
    for (const auto& s : file.signals) {
        if (orvalin::formats::render_press(s).durations_us.empty()) std::abort();
        names.push_back(s.name);
    }
    std::string why;
    if (const auto table = KeyNames::parse(body, "fuzz.tsv", why)) {
        std::set<int> keys;
        for (const Assignment& a : map_signals(names, *table)) {
            if (a.key_code < 0) continue;
            if (!learnable_key(a.key_code) || !keys.insert(a.key_code).second) std::abort();
        }
    } else if (why.empty()) {
        std::abort();
    }
    return 0;
}
