// A stand-in for the outside code converter, for tests only: it keeps the exact
// bytes of the last request and answers with a one-key table for the requested key
// (or with the answer that the test set). Built as "quendrix.dll" in a test folder,
// never in the program folder.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace {
std::mutex g_mutex;
std::string g_last_request;
std::string g_answer;
bool g_fixed_answer = false;
bool g_null_answer = false;
int g_calls = 0;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) const char* Cominput(const char* request) {
    std::lock_guard lock(g_mutex);
    ++g_calls;
    g_last_request = request ? request : "";
    if (g_null_answer) return nullptr;
    if (!g_fixed_answer) {
        // "#99|01" + table code: answer with a code for that key.
        const std::string code =
            g_last_request.size() >= 8 ? g_last_request.substr(6, 2) : std::string("00");
        g_answer = "0001" + code + "CF0000040000" + "03" + "5A5A1234" + "C0FFEE";
    }
    return g_answer.c_str();
}

// Test controls, reached with dlsym on the same handle.
__attribute__((visibility("default"))) void fake_converter_set_answer(const char* answer) {
    std::lock_guard lock(g_mutex);
    g_null_answer = answer == nullptr;
    g_fixed_answer = true;
    g_answer = answer ? answer : "";
}

__attribute__((visibility("default"))) void fake_converter_reset() {
    std::lock_guard lock(g_mutex);
    g_last_request.clear();
    g_answer.clear();
    g_fixed_answer = false;
    g_null_answer = false;
    g_calls = 0;
}

// Copies the last request (its bytes as received) into out; returns its length.
__attribute__((visibility("default"))) std::size_t fake_converter_last_request(char* out,
                                                                               std::size_t size) {
    std::lock_guard lock(g_mutex);
    if (out && size > 0) {
        const std::size_t n = std::min(size - 1, g_last_request.size());
        std::memcpy(out, g_last_request.data(), n);
        out[n] = '\0';
    }
    return g_last_request.size();
}

__attribute__((visibility("default"))) int fake_converter_calls() {
    std::lock_guard lock(g_mutex);
    return g_calls;
}
}
