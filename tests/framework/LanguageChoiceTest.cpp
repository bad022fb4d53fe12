// Tests of choosing the language: the setting, the locale variables, and a missing catalogue.
#include "framework/LanguageChoice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "platform/MessageBox.h"
#include "text/MessageCatalog.h"

namespace {

const std::string kCatalogues = std::string(KEYRISE_BINARY_DIR) + "/locale";

// The language for a setting and a set of environment variables (absent ones are unset).
std::string Resolve(const std::string &configured, std::map<std::string, std::string> variables)
{
    return LanguageChoice::Resolve(configured, [&variables](const char *name) -> const char * {
        auto found = variables.find(name);
        return found == variables.end() ? nullptr : found->second.c_str();
    });
}

TEST(LanguageChoiceTest, SettingOverridesTheLocaleWhichFollowsGettextsOrder)
{
    // The setting wins over any locale; other values of it leave the choice to the locale.
    EXPECT_EQ(Resolve("ja", {{"LC_ALL", "en_US.UTF-8"}}), "ja");
    EXPECT_EQ(Resolve("en", {{"LANG", "ja_JP.UTF-8"}}), "en");
    EXPECT_EQ(Resolve("", {{"LANG", "ja_JP.UTF-8"}}), "ja");
    EXPECT_EQ(Resolve("fr", {{"LANG", "ja_JP.UTF-8"}}), "ja");
    EXPECT_EQ(Resolve("ja_JP", {}), "en");

    // LC_ALL before LC_MESSAGES before LANG; an empty variable counts as unset.
    EXPECT_EQ(Resolve("", {{"LC_ALL", "ja_JP.UTF-8"}, {"LC_MESSAGES", "en_GB"}}), "ja");
    EXPECT_EQ(Resolve("", {{"LC_ALL", ""}, {"LC_MESSAGES", "ja_JP.eucJP"}, {"LANG", "en_US"}}),
              "ja");
    EXPECT_EQ(Resolve("", {{"LC_MESSAGES", "en_US.UTF-8"}, {"LANG", "ja_JP.UTF-8"}}), "en");
    EXPECT_EQ(Resolve("", {{"LANG", "ja"}}), "ja");

    // No locale, C or POSIX: English, whatever LANGUAGE says; a language without texts too.
    EXPECT_EQ(Resolve("", {}), "en");
    EXPECT_EQ(Resolve("", {{"LC_ALL", "C"}, {"LANG", "ja_JP.UTF-8"}, {"LANGUAGE", "ja"}}), "en");
    EXPECT_EQ(Resolve("", {{"LANG", "POSIX"}, {"LANGUAGE", "ja"}}), "en");
    EXPECT_EQ(Resolve("", {{"LANG", "C.UTF-8"}, {"LANGUAGE", "ja"}}), "en");
    EXPECT_EQ(Resolve("", {{"LANG", "de_DE.UTF-8"}}), "en");

    // With a real locale, the first language of LANGUAGE that the game has.
    EXPECT_EQ(Resolve("", {{"LANG", "en_US.UTF-8"}, {"LANGUAGE", "de:ja_JP:en"}}), "ja");
    EXPECT_EQ(Resolve("", {{"LANG", "ja_JP.UTF-8"}, {"LANGUAGE", "fr"}}), "ja");
    EXPECT_EQ(Resolve("", {{"LANG", "ja_JP.UTF-8"}, {"LANGUAGE", "en_GB:ja"}}), "en");
}

TEST(LanguageChoiceTest, MissingCatalogueFallsBackToEnglishWithOneWarning)
{
    std::vector<std::string> warnings;
    SetWarningSink([&warnings](const std::string &line) { warnings.push_back(line); });

    // The first folder that has the catalogue gives it.
    EXPECT_EQ(LanguageChoice::Apply("ja", {"/nonexistent", kCatalogues}), "ja");
    EXPECT_EQ(LanguageChoice::Current(), "ja");
    EXPECT_STREQ(Tr("Tempo"), "\xE3\x83\x86\xE3\x83\xB3\xE3\x83\x9D"); // テンポ
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(LanguageChoice::GetProblem(), "");

    // None has it: English, one warning, however often the choice is made again.
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(LanguageChoice::Apply("ja", {"/nonexistent"}), "en");
    }
    EXPECT_EQ(LanguageChoice::Current(), "en");
    EXPECT_STREQ(Tr("Tempo"), "Tempo");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("no Japanese message catalogue"), std::string::npos) << warnings[0];
    EXPECT_NE(warnings[0].find("/nonexistent"), std::string::npos) << warnings[0];
    EXPECT_EQ(LanguageChoice::GetProblem(),
              "No Japanese texts found (keyrise.mo); showing English");

    EXPECT_EQ(LanguageChoice::Apply("en", {kCatalogues}), "en");
    EXPECT_EQ(LanguageChoice::GetProblem(), "");
    SetWarningSink(nullptr);
}

} // namespace
