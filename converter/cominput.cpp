// "quendrix.dll": the fallback converter that the program asks when no code type
// of the code-info file names a learned signal. Cominput takes the GBK request
// "#99|01" KK CR LF "0:按钮0:{X=310,Y=120}|" timing-text CR LF and answers the
// one-key table of the generic learner, or empty text.
#include <cstring>
#include <exception>
#include <string>
#include <string_view>

#include "converter/request.h"
#include "ircode/generic_learner.h"

namespace {

// Each calling thread keeps its own answer: valid until its next call.
thread_local std::string answer;

const char* Answer(const char* request, bool shape) {
    answer.clear();
    if (request == nullptr) return answer.c_str();
    try {
        const std::string_view text(request,
                                    ::strnlen(request, orvalin::converter::kMaxRequest + 1));
        const std::optional<orvalin::converter::Request> r = orvalin::converter::ParseRequest(text);
        if (!r) return answer.c_str();
        const std::optional<orvalin::ircode::GenericCode> code =
            orvalin::ircode::LearnGeneric(r->timing_text, r->table_code);
        if (code) answer = shape ? code->shape : code->table;
    } catch (...) {
        answer.clear();  // nothing crosses the C boundary
    }
    return answer.c_str();
}

}  // namespace

extern "C" __attribute__((visibility("default"))) const char* Cominput(const char* request) {
    return Answer(request, false);
}

// For orvalin-cli: the shape of the signal that Cominput would learn (e.g.
// "pulse-distance 24 bits, lead 4500/4500"), empty when it learns nothing. The
// program does not use it.
extern "C" __attribute__((visibility("default"))) const char* CominputShape(const char* request) {
    return Answer(request, true);
}
