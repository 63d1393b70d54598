// libvorkel.so exports the ten functions and nothing else.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sstream>
#include <string>

namespace {

TEST(SharedLibrary, DynamicSymbolTableHoldsExactlyTheTenExports) {
    const std::string command = "nm -D --defined-only '" VORKEL_SHARED_LIBRARY "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    ASSERT_EQ(::pclose(pipe), 0) << output;
    std::set<std::string> functions;
    std::set<std::string> others;
    std::istringstream lines(output);
    std::string address, type, name;
    while (lines >> address >> type >> name) {
        (type == "T" ? functions : others).insert(name);
    }
    const std::set<std::string> expected = {
        "link_state", "RBasicInfo",         "RCodeTypeData", "RCollectCodeInfo", "SetAddress",
        "SetFlag",    "SetCodeCarrierWave", "WCodeTypeData", "WCodeTypeDataut",  "WINTPro_D900"};
    EXPECT_EQ(functions, expected);
    EXPECT_TRUE(others.empty()) << "extra symbols: " << output;
}

}  // namespace
