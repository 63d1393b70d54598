// JSON string literals for what orvalin-cli prints with --json: names from code
// files may hold any bytes; invalid UTF-8 becomes U+FFFD so the document stays valid.
#pragma once

#include <string>
#include <string_view>

namespace orvalin::library {

std::string json_string(std::string_view text);

}  // namespace orvalin::library
