#include "learning/press_check.h"

#include <algorithm>

namespace orvalin::learning {
namespace {

// The toggle of RC6-MCE is a parameter; it alternates from press to press.
constexpr const char* kToggle = "toggle";

// "RC5 (1 frame)" and "RC5", "Sony20 x2" and "Sony20": one code sent as fewer
// or more frames, as a press was held shorter or longer.
std::string base_type(const std::string& name) {
    std::string b = name;
    if (const auto at = b.find(" (1 frame)"); at != std::string::npos) b.erase(at);
    if (b.size() > 3 && b[b.size() - 3] == ' ' && b[b.size() - 2] == 'x') b.erase(b.size() - 3);
    return b;
}

std::string value_of(const KeyCode& c, const std::string& name) {
    for (const ircode::Parameter& p : c.parameters)
        if (p.name == name) return std::to_string(p.value);
    return "-";
}

}  // namespace

std::string press_difference(const std::string& table_a, const KeyCode& a,
                             const std::string& table_b, const KeyCode& b) {
    if (a.generic() != b.generic() ||
        (!a.generic() && base_type(a.type_name) != base_type(b.type_name)))
        return "code type " + (a.generic() ? std::string("generic") : a.type_name) + " / " +
               (b.generic() ? std::string("generic") : b.type_name);
    if (a.generic()) return table_a == table_b ? std::string() : "the learned images differ";
    std::vector<std::string> names;
    for (const auto* c : {&a, &b})
        for (const ircode::Parameter& p : c->parameters)
            if (p.name != kToggle && std::find(names.begin(), names.end(), p.name) == names.end())
                names.push_back(p.name);
    std::string out;
    for (const std::string& n : names) {
        const std::string va = value_of(a, n), vb = value_of(b, n);
        if (va == vb) continue;
        if (!out.empty()) out += ", ";
        out += n + " " + va + " / " + vb;
    }
    return out;
}

bool PressCheck::same(const Press& a, const Press& b) const {
    return press_difference(a.table, a.code, b.table, b.code).empty();
}

PressCheck::Step PressCheck::add(std::string table, KeyCode code) {
    if (!taken_.empty() || presses_.size() >= 3)
        return taken_.empty() ? Step::refused : Step::taken;
    presses_.push_back({std::move(table), std::move(code)});
    if (presses_.size() == 1) return Step::again;
    const Press& first = presses_[0];
    const Press& second = presses_[1];
    if (presses_.size() == 2) {
        difference_ = press_difference(first.table, first.code, second.table, second.code);
        if (difference_.empty()) {
            taken_ = first.table;
            return Step::taken;
        }
        return Step::third;
    }
    const Press& third = presses_[2];
    for (const Press* p : {&first, &second}) {
        if (same(*p, third)) {
            taken_ = p->table;
            return Step::taken;
        }
    }
    difference_ = press_difference(first.table, first.code, third.table, third.code) + "; " +
                  press_difference(second.table, second.code, third.table, third.code);
    return Step::refused;
}

}  // namespace orvalin::learning
