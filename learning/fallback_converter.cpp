#include "learning/fallback_converter.h"

#include <dlfcn.h>
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <vector>

#include "common/hex_text.h"
#include "common/timing_markers.h"

namespace orvalin::learning {

namespace {

bool is_hex(char c) {
    return hex::digit_value(c) >= 0;
}

int hex_value(std::string_view s) {
    return s.empty() ? 0 : static_cast<int>(hex::digits_value(s));
}

Converted convert(std::string_view in, const char* to, const char* from) {
    Converted r;
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return r;
    std::string out;
    std::vector<char> buf(4 * in.size() + 16);
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    char* dst = buf.data();
    std::size_t dst_left = buf.size();
    const std::size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || src_left != 0) return r;
    r.text.assign(buf.data(), buf.size() - dst_left);
    r.ok = true;
    return r;
}

// The converter is not known to be reentrant.
std::mutex g_call_mutex;

}  // namespace

std::string drop_short_first_frame(std::string t) {
    if (t.size() <= 16) return t;
    constexpr std::size_t kFirst = timing::kPrefixLength;
    // The first frame: one duration, the gap mark, its four digits and the end mark.
    constexpr std::size_t kFirstFrame = 4 + timing::kGapMark.size() + 4 + timing::kEndMark.size();
    const int first = hex_value(std::string_view(t).substr(kFirst, 4));
    if (first < 0 || first >= 30 ||
        t.compare(kFirst + 4, timing::kGapMark.size(), timing::kGapMark) != 0)
        return t;
    if (t[0] < '1' || t[0] > '9') return t;
    t.erase(kFirst, kFirstFrame);
    t[0] = static_cast<char>(t[0] - 1);
    return t;
}

std::string fallback_request(std::string_view timing_text, std::string_view table_code) {
    std::string r = "#99|01";
    r += table_code;
    r += "\r\n0:按钮0:{X=310,Y=120}|";
    r += timing_text;
    r += "\r\n";
    return r;
}

Converted utf8_to_gbk(std::string_view utf8) {
    return convert(utf8, "GBK", "UTF-8");
}
Converted gbk_to_utf8(std::string_view gbk) {
    return convert(gbk, "UTF-8", "GBK");
}

FallbackAnswer ask_fallback_converter(const std::filesystem::path& program_dir,
                                      std::string_view request_utf8) {
    return ask_converter_file(program_dir / kFallbackLibraryName, request_utf8);
}

ConverterLibrary load_converter(const std::filesystem::path& file) {
    ConverterLibrary c;
    void* lib = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        const char* e = ::dlerror();
        c.error = e ? e : "cannot load " + file.string();
        return c;
    }
    c.loaded = true;
    c.cominput = reinterpret_cast<ConverterExport>(::dlsym(lib, kFallbackExportName));
    if (!c.cominput) {
        c.error = file.string() + ": no export " + kFallbackExportName;
        ::dlclose(lib);
        return c;
    }
    c.shape = reinterpret_cast<ConverterExport>(::dlsym(lib, kFallbackShapeExportName));
    return c;
}

FallbackAnswer ask_converter_file(const std::filesystem::path& file,
                                  std::string_view request_utf8) {
    FallbackAnswer a;
    const ConverterLibrary lib = load_converter(file);
    a.loaded = lib.loaded;
    if (!lib.cominput) {
        a.error = lib.error;
        return a;
    }
    a.has_export = true;  // the library stays loaded from now on
    const Converted request = utf8_to_gbk(request_utf8);
    if (!request.ok) {
        a.error = "request text cannot be written in GBK";
        return a;
    }
    std::string raw;
    {
        std::lock_guard lock(g_call_mutex);
        const char* out = lib.cominput(request.text.c_str());
        if (out) raw = out;  // copied at once: the library owns its buffer
    }
    const Converted answer = gbk_to_utf8(raw);
    if (!answer.ok) {
        a.error = "answer is not GBK text";
        return a;
    }
    a.answer = answer.text;
    if (lib.shape) {
        std::lock_guard lock(g_call_mutex);
        const char* out = lib.shape(request.text.c_str());
        if (out) a.shape = gbk_to_utf8(out).text;
    }
    return a;
}

bool is_one_key_table_for(std::string_view text, std::string_view table_code) {
    if (text.size() < 20 || table_code.size() != 2) return false;
    for (std::size_t i = 0; i < 20; ++i)
        if (!is_hex(text[i])) return false;
    if (text.substr(0, 4) != "0001") return false;
    if (hex_value(text.substr(4, 2)) != hex_value(table_code)) return false;
    const int type_len = hex_value(text.substr(12, 2));
    const int key_len = hex_value(text.substr(18, 2));
    if (type_len <= 0 || key_len <= 0) return false;
    const std::size_t pieces = 2 * static_cast<std::size_t>(type_len + key_len);
    if (text.size() < 20 + pieces) return false;
    for (std::size_t i = 20; i < 20 + pieces; ++i)
        if (!is_hex(text[i])) return false;
    return true;
}

}  // namespace orvalin::learning
