// A fixed sample of real remote definitions (lirc-compat-remotes): each key
// rendered by irsimsend, sampled with jitter, learned by orvalin-cli (code types,
// then quendrix.dll), replayed and decoded by irsimreceive as the same key.
// Runs the rates tool on its sample; two of the three remotes need the converter.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(LircSample, EveryKeyIsLearnedAndDecodedAsItself) {
    const std::string command =
        std::string("python3 ") + ORVALIN_SOURCE_DIR + "/bench/converter_lirc_rates.py --cli " +
        ORVALIN_PROGRAM_DIR +
        "/orvalin-cli --keys 2 --only "
        "avermedia/lircd.conf.avermedia98,animax/lircd.conf.animax,hauppauge/lircd.conf.hauppauge"
        " -v 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string out;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
    const int status = ::pclose(pipe);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("keys sent: 6 "), std::string::npos) << out;
    EXPECT_NE(out.find("learned: 6 (100.0 %), by the converter: 4"), std::string::npos) << out;
    EXPECT_NE(out.find("decoded as the same key: 6 of 6 learned"), std::string::npos) << out;
}

}  // namespace
