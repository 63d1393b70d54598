#include "library/mode_import.h"

#include <algorithm>

#include "common/key_table.h"
#include "learning/recognition.h"
#include "learning/signal_capture.h"

namespace orvalin::library {

std::vector<int> ImportPlan::replaced() const {
    std::vector<int> out;
    for (const ImportKey& k : keys)
        if (k.replaces && k.learned) out.push_back(k.key_code);
    std::sort(out.begin(), out.end());
    return out;
}

std::size_t ImportPlan::learned_count() const {
    return static_cast<std::size_t>(
        std::count_if(keys.begin(), keys.end(), [](const ImportKey& k) { return k.learned; }));
}

ImportPlan plan_import(const std::string& file, int mode,
                       const std::vector<formats::CodeSignal>& signals,
                       const std::vector<Assignment>& mapping, const learning::KeyStates& keys,
                       const std::filesystem::path& codeinfo,
                       const std::filesystem::path& converter) {
    ImportPlan plan;
    plan.file = file;
    plan.mode = mode;
    for (std::size_t i = 0; i < signals.size() && i < mapping.size(); ++i) {
        ImportKey k;
        k.signal = mapping[i].signal;
        k.key_code = mapping[i].key_code;
        k.reason = mapping[i].reason;
        if (k.key_code >= 0) {
            const int table_code = k.key_code + kCodesPerMode * mode;
            const learning::KeyEntry* held = learning::find_key(keys, table_code);
            k.replaces = held != nullptr && learning::is_learned(held->state);
            const learning::Recognition r = learning::recognise_timing(
                ir_signals::timing_text_of(formats::render_press(signals[i])), table_code, codeinfo,
                converter);
            if (r.ok()) {
                k.learned = true;
                k.table = r.table;
                k.type = !r.type_name.empty() ? r.type_name
                         : r.shape.empty()    ? std::string("generic")
                                              : "generic (" + r.shape + ")";
            } else {
                k.reason = r.reason;
            }
        }
        plan.keys.push_back(std::move(k));
    }
    return plan;
}

ImportWrite apply_import(learning::Session& session, ImportPlan& plan) {
    session.set_device_mode(plan.mode);
    session.start_learning();
    bool any = false;
    for (ImportKey& k : plan.keys) {
        if (!k.learned) continue;
        if (const auto e = session.add_learned_key(k.key_code, k.table);
            e != learning::TableError::none) {
            k.learned = false;
            k.reason = learning::describe(e);
            continue;
        }
        any = true;
    }
    session.stop_learning();
    if (!any) {
        session.decline();
        return ImportWrite::nothing_learned;
    }
    if (!session.commit()) return ImportWrite::refused;
    session.confirm_pending();
    return ImportWrite::written;
}

}  // namespace orvalin::library
