#include "learning/recognition.h"

#include "ircode/analysis.h"
#include "ircode/captured_frames.h"
#include "learning/code_table.h"
#include "learning/fallback_converter.h"
#include "learning/timing_text.h"

namespace orvalin::learning {

Recognition recognise_timing(std::string timing_text, int table_code,
                             const std::filesystem::path& codeinfo,
                             const std::filesystem::path& converter) {
    Recognition r;
    r.timing = std::move(timing_text);
    const std::string kk = learning::table_code(table_code, 0);
    if (kk.empty()) {
        r.reason = "the table code is not a byte";
        return r;
    }
    // A receiver's glitch before the code is neither a frame of it nor makes the
    // code a repeat frame.
    const std::string cleaned = ircode::WithoutLoneGlitch(r.timing);
    const std::string_view durations = analysis_text(cleaned);
    if (durations.empty()) {
        r.reason = "the capture holds no complete signal";
        return r;
    }
    const ircode::AnalysisResult analysed = ircode::analyse(durations, table_code, codeinfo);
    r.analysis = analysed.table;
    if (!analysed.table.empty()) {
        r.table = analysed.table;
        r.type_name = analysed.type_name;
        return r;
    }
    if (converter.empty()) {
        r.reason = "no code type fits";
        return r;
    }
    r.converter_asked = true;
    r.converter_request = fallback_request(drop_short_first_frame(cleaned), kk);
    const FallbackAnswer answer = ask_converter_file(converter, r.converter_request);
    r.converter_error = answer.error;
    r.converter_answer = answer.answer;
    if (!is_one_key_table_for(answer.answer, kk)) {
        r.reason = answer.error.empty()
                       ? "no code type fits and the converter's answer is not a code for this key"
                       : "no code type fits; converter: " + answer.error;
        return r;
    }
    r.table = answer.answer;
    r.shape = answer.shape;
    r.by_converter = true;
    return r;
}

Recognition recognise_collected(std::string_view collected_text, int table_code,
                                const std::filesystem::path& codeinfo,
                                const std::filesystem::path& converter) {
    return recognise_timing(convert_collected(collected_text), table_code, codeinfo, converter);
}

}  // namespace orvalin::learning
