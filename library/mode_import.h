// A whole device mode from one code file: every mapped signal recognised as a
// key of the remote would be (the code types, then the converter), the keys
// already learned in that mode that would be replaced, and then one session of
// the session core: every learned key added and the table committed once.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "learning/key_states.h"
#include "learning/session.h"
#include "library/key_mapping.h"
#include "signals/formats/code_signal.h"

namespace orvalin::library {

struct ImportKey {
    std::string signal;
    int key_code = -1;  // -1: not mapped
    std::string
        type;  // the code type, "generic (SHAPE)" from the converter; empty when not learned
    std::string table;   // the key's one-key table when learned
    std::string reason;  // why not learned or not mapped
    bool learned = false;
    bool replaces = false;  // the key holds a learned code in the mode now
};

struct ImportPlan {
    std::string file;
    int mode = 0;
    std::vector<ImportKey> keys;  // one per signal, in file order
    // Key codes whose learned code the import replaces, in key-code order.
    std::vector<int> replaced() const;
    std::size_t learned_count() const;
};

// Recognises every mapped signal (signals and mapping in the same order).
ImportPlan plan_import(const std::string& file, int mode,
                       const std::vector<formats::CodeSignal>& signals,
                       const std::vector<Assignment>& mapping, const learning::KeyStates& keys,
                       const std::filesystem::path& codeinfo,
                       const std::filesystem::path& converter);

enum class ImportWrite { written, nothing_learned, refused };

// One learning session of the plan's learned keys in its mode, committed once
// through the session's own write (backup first). A key the table cannot take
// is marked not learned with the reason. refused: the remote did not take the
// table (the session keeps what it owes).
ImportWrite apply_import(learning::Session& session, ImportPlan& plan);

}  // namespace orvalin::library
