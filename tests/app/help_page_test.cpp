// Where 帮助 looks for the manual: the program folder, then the installed
// documentation, in the interface's language, then Chinese; never elsewhere.
#include "app/help_page.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "prompter/interface_language.h"

namespace orvalin::app {
namespace {

namespace fs = std::filesystem;

class HelpPage : public ::testing::Test {
  protected:
    void SetUp() override {
        root =
            fs::temp_directory_path() /
            ("orvalin-help-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        program = root / "program";
        docs = root / "doc";
        fs::create_directories(program);
        fs::create_directories(docs);
    }
    void TearDown() override { fs::remove_all(root); }

    void page(const fs::path& folder, const std::string& lang) {
        fs::create_directories(folder / "manual" / lang);
        std::ofstream(folder / "manual" / lang / "index.html") << "<html></html>";
    }

    fs::path root;
    fs::path program;
    fs::path docs;
};

TEST_F(HelpPage, ProgramFolderFirstThenDocumentationThenChinese) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, const char*>> pages;  // 0 program, 1 doc
        const char* language;
        int found_in;  // -1: none
        const char* found_lang;
    };
    const std::vector<Case> cases = {
        {"both folders: the program's", {{0, "zh"}, {1, "zh"}}, "zh", 0, "zh"},
        {"documentation only", {{1, "zh"}}, "zh", 1, "zh"},
        {"English from the documentation before Chinese beside the program",
         {{0, "zh"}, {1, "en"}},
         "en",
         1,
         "en"},
        {"no English page: the Chinese one", {{1, "zh"}}, "en", 1, "zh"},
        {"nothing", {}, "en", -1, ""},
        {"a language that is a path is not followed", {{0, "zh"}}, "../program/manual/zh", 0, "zh"},
    };
    for (const Case& c : cases) {
        fs::remove_all(program / "manual");
        fs::remove_all(docs / "manual");
        for (const auto& [where, lang] : c.pages) page(where == 0 ? program : docs, lang);
        const auto found = find_manual_page(program, docs, c.language);
        if (c.found_in < 0) {
            EXPECT_FALSE(found) << c.name;
            continue;
        }
        ASSERT_TRUE(found) << c.name;
        EXPECT_EQ(*found,
                  (c.found_in == 0 ? program : docs) / "manual" / c.found_lang / "index.html")
            << c.name;
    }
}

TEST_F(HelpPage, NeverTheCurrentFolderNorRelativeFolders) {
    page(root, "zh");
    const fs::path old = fs::current_path();
    fs::current_path(root);
    // The current folder holds a manual; the program's folders do not.
    EXPECT_FALSE(find_manual_page(program, docs, "zh"));
    EXPECT_FALSE(find_manual_page(".", "", "zh"));
    EXPECT_FALSE(find_manual_page("", "", "zh"));
    // A folder named manual/zh/index.html is no page.
    fs::create_directories(program / "manual" / "zh" / "index.html");
    EXPECT_FALSE(find_manual_page(program, docs, "zh"));
    fs::current_path(old);
}

TEST(InterfaceLanguage, LocaleNamesAndTheLangOption) {
    const std::vector<std::pair<const char*, const char*>> locales = {
        {"en", "en"},      {"en_GB.UTF-8", "en"}, {"en-US", "en"},
        {"en@quot", "en"}, {"zh_CN.UTF-8", "zh"}, {"zh_TW", "zh"},
        {"de_DE", "zh"},   {"C", "zh"},           {"", "zh"},
        {"eng", "zh"},
    };
    for (const auto& [locale, expected] : locales)
        EXPECT_EQ(language_for_locale(locale), expected) << locale;

    struct Args {
        std::vector<const char*> argv;
        const char* language;
        bool error;
    };
    const std::vector<Args> args = {
        {{"orvalin"}, "", false},
        {{"orvalin", "--lang", "en"}, "en", false},
        {{"orvalin", "--simulated", "--lang=zh"}, "zh", false},
        {{"orvalin", "--lang", "fr"}, "", true},
        {{"orvalin", "--lang"}, "", true},
        {{"orvalin", "--lang="}, "", true},
    };
    for (const Args& a : args) {
        const LanguageChoice choice =
            language_from_arguments(static_cast<int>(a.argv.size()), a.argv.data());
        EXPECT_EQ(choice.language, a.language) << a.argv.back();
        EXPECT_EQ(!choice.error.empty(), a.error) << a.argv.back();
    }
}

}  // namespace
}  // namespace orvalin::app
