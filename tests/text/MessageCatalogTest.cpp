// Tests of the message catalogues as the game reads them: the Japanese texts exactly as they
// were, the English ones, and switching between them.
#include "text/MessageCatalog.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "text/TextConversion.h"

namespace {

const std::string kCatalogues = std::string(KEYRISE_BINARY_DIR) + "/locale";

// Every text the game showed before it had an English version, with its key.
std::vector<std::pair<std::string, std::string>> FormerJapaneseTexts()
{
    std::ifstream file(std::string(KEYRISE_SOURCE_DIR) + "/tests/platform/data/japanese-texts.tsv");
    std::vector<std::pair<std::string, std::string>> texts;
    std::string line;
    while (std::getline(file, line)) {
        const size_t tab = line.find('\t');
        if (line.empty() || line[0] == '#' || tab == std::string::npos) {
            continue;
        }
        texts.emplace_back(line.substr(0, tab), line.substr(tab + 1));
    }
    return texts;
}

class MessageCatalogTest : public ::testing::Test
{
protected:
    void TearDown() override { MessageCatalog::Use(kCatalogues, "en"); }
};

TEST_F(MessageCatalogTest, JapaneseReadsExactlyAsBeforeAndEnglishAsInTheCodeOrWithoutACatalogue)
{
    const auto texts = FormerJapaneseTexts();
    ASSERT_EQ(texts.size(), 157u); // 29 captions and 128 instrument names

    // The test runs in the C locale (plain ASCII): the texts must still come back as UTF-8.
    ASSERT_TRUE(MessageCatalog::Use(kCatalogues, "ja"));
    for (const auto &[key, japanese] : texts) {
        EXPECT_EQ(Tr(key.c_str()), japanese) << key;
        // The content cache's conversion keeps them as they are.
        EXPECT_EQ(ToUtf8(Tr(key.c_str())), japanese) << key;
    }

    // Switching to English and back takes effect at once, also for texts looked up before.
    ASSERT_TRUE(MessageCatalog::Use(kCatalogues, "en"));
    for (const auto &[key, japanese] : texts) {
        EXPECT_EQ(Tr(key.c_str()), key);
    }
    EXPECT_STREQ(Tr("Language: Japanese"), "Language: \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E");
    ASSERT_TRUE(MessageCatalog::Use(kCatalogues, "ja"));
    EXPECT_STREQ(Tr("Density"), "\xE5\xAF\x86\xE5\xBA\xA6"); // 密度
    EXPECT_STREQ(Tr(""), "");                                // not the catalogue's header
    // The system's own messages follow the language (where the system has them in Japanese)
    // and come as UTF-8 too.
    const std::string noFile = std::strerror(ENOENT);
    EXPECT_TRUE(IsValidUtf8(noFile));
    EXPECT_EQ(noFile.find('?'), std::string::npos) << noFile;

    // A missing catalogue fails and leaves the texts in English.
    EXPECT_FALSE(MessageCatalog::Exists("/nonexistent", "ja"));
    EXPECT_FALSE(MessageCatalog::Use("/nonexistent", "ja"));
    EXPECT_STREQ(Tr("Density"), "Density");
    EXPECT_STREQ(Tr("Keys:%d"), "Keys:%d");
}

TEST_F(MessageCatalogTest, FormattedTextsTakeTheTranslatedFormat)
{
    ASSERT_TRUE(MessageCatalog::Use(kCatalogues, "ja"));
    EXPECT_EQ(FormatText(Tr("Keys:%d"), 12),
              "\xE3\x82\xAD\xE3\x83\xBC\xE6\x95\xB0:12"); // キー数:12
    EXPECT_EQ(FormatText("%s", std::string(300, 'x').c_str()), std::string(300, 'x'));
    EXPECT_EQ(FormatText("%s", ""), "");
}

} // namespace
