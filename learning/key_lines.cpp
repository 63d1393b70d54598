// The key list kept line by line after start-up: remove, mark pending, confirm.
#include <algorithm>

#include "common/hex_text.h"
#include "learning/code_table.h"

namespace orvalin::learning {
namespace {

std::string_view line_code(std::string_view line) {
    return line.substr(0, 2);
}
std::string_view line_state(std::string_view line) {
    return line.size() > 3 ? line.substr(3, 1) : "";
}

}  // namespace

void remove_key_line(KeyLines& lines, std::string_view code) {
    const auto it = std::find_if(lines.begin(), lines.end(),
                                 [&](const std::string& line) { return line_code(line) == code; });
    if (it != lines.end()) lines.erase(it);
}

void set_pending_line(KeyLines& lines, std::string_view code) {
    const long value = hex::number_at(code, 0, 2);
    if (value < 0 || code.size() != 2) return;
    std::string pending(code);
    pending += "|3";
    for (auto it = lines.begin(); it != lines.end(); ++it) {
        const long line_value = hex::number_at(*it, 0, 2);
        if (line_value == value) {
            *it = std::move(pending);
            return;
        }
        if (line_value > value) {
            lines.insert(it, std::move(pending));
            return;
        }
    }
    lines.push_back(std::move(pending));
}

std::string find_prior_line(const KeyLines& lines, std::string_view code) {
    const auto it = std::find_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line_code(line) == code && line_state(line) != "3";
    });
    return it == lines.end() ? std::string() : *it;
}

void confirm_pending_lines(KeyLines& lines) {
    for (std::string& line : lines)
        if (line_state(line) == "3") line[3] = '2';
}

bool has_learned_keys(const KeyLines& lines) {
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        const std::string_view state = line_state(line);
        return state == "2" || state == "3";
    });
}

}  // namespace orvalin::learning
