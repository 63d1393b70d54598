#include "cli/converter_call.h"

#include <dlfcn.h>

#include <cstdio>

#include "learning/fallback_converter.h"

namespace orvalin::cli {
namespace {

using Export = const char* (*)(const char*);

}  // namespace

ConverterAnswer ask_converter(const std::filesystem::path& library, const std::string& timing,
                              int key) {
    ConverterAnswer a;
    // The library stays loaded: its answer pointer lives in it.
    void* lib = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        const char* e = ::dlerror();
        a.error = e != nullptr ? e : "cannot load " + library.string();
        return a;
    }
    const auto cominput = reinterpret_cast<Export>(::dlsym(lib, learning::kFallbackExportName));
    if (cominput == nullptr) {
        a.error = library.string() + ": no export " + learning::kFallbackExportName;
        return a;
    }
    char code[3];
    std::snprintf(code, sizeof code, "%02X", key & 0xFF);
    // The same request as the program's end of collection.
    const std::string request =
        learning::fallback_request(learning::drop_short_first_frame(timing), code);
    const learning::Converted gbk = learning::utf8_to_gbk(request);
    if (!gbk.ok) {
        a.error = "request text cannot be written in GBK";
        return a;
    }
    const char* answer = cominput(gbk.text.c_str());
    const learning::Converted text = learning::gbk_to_utf8(answer != nullptr ? answer : "");
    if (!text.ok || !learning::is_one_key_table_for(text.text, code)) return a;
    a.table = text.text;
    if (const auto shape = reinterpret_cast<Export>(::dlsym(lib, "CominputShape"))) {
        const char* s = shape(gbk.text.c_str());
        if (s != nullptr) a.shape = s;
    }
    return a;
}

}  // namespace orvalin::cli
