// Learning checked by a second press: a key is taken only when two presses
// give the same code (the same code type and parameters, or for a generic
// code the same image); when they differ a third press decides. Toggle bits
// are no difference (RC5 and RC6 alternate them from press to press). Qt-free:
// orvalin-cli learn --verify and the window both drive it.
#pragma once

#include <string>
#include <vector>

#include "learning/key_code.h"

namespace orvalin::learning {

// What differs between two presses ("function 21 / 22", "code type NEC1 /
// NEC2"); empty when they give the same code.
std::string press_difference(const std::string& table_a, const KeyCode& a,
                             const std::string& table_b, const KeyCode& b);

class PressCheck {
  public:
    enum class Step {
        again,    // one press so far: press the key once more
        third,    // two presses differ: a third decides (difference() says how)
        taken,    // taken_table() holds the code to learn
        refused,  // three presses, no two alike (difference() says how)
    };

    Step add(std::string table, KeyCode code);
    const std::string& taken_table() const { return taken_; }
    const std::string& difference() const { return difference_; }
    std::size_t presses() const { return presses_.size(); }

  private:
    struct Press {
        std::string table;
        KeyCode code;
    };
    bool same(const Press& a, const Press& b) const;
    std::vector<Press> presses_;
    std::string taken_;
    std::string difference_;
};

}  // namespace orvalin::learning
