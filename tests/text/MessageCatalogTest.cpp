// Tests of the message catalogues as the game reads them: the Japanese texts exactly as they
// were, the English ones, switching between them, whatever the message locale, and catalogue
// files that are damaged.
#include "text/MessageCatalog.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "tests/config/ScratchFolder.h"
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

TEST_F(MessageCatalogTest, JapaneseWhateverTheMessageLocaleOfTheProcess)
{
    // glibc's gettext gives no translation under C and, since 2.39, under C.UTF-8 either,
    // whatever LANGUAGE says; the game runs under one of them when no other locale is
    // installed, or when the player sets LC_ALL=C.UTF-8 and chooses Japanese in the settings.
    const std::string before = std::setlocale(LC_MESSAGES, nullptr);
    for (const char *locale : {"C", "C.UTF-8"}) {
        ASSERT_NE(std::setlocale(LC_MESSAGES, locale), nullptr) << locale;
        ASSERT_TRUE(MessageCatalog::Use(kCatalogues, "ja")) << locale;
        EXPECT_STREQ(Tr("Density"), "\xE5\xAF\x86\xE5\xBA\xA6") << locale; // 密度
        ASSERT_TRUE(MessageCatalog::Use(kCatalogues, "en")) << locale;
        EXPECT_STREQ(Tr("Density"), "Density") << locale;
    }
    std::setlocale(LC_MESSAGES, before.c_str());
}

// A catalogue file as msgfmt writes it: the header words, the table of original texts, the
// table of translations, then the texts, each followed by a NUL byte. 'bigEndian' writes the
// words as a machine of the other byte order would.
std::string CatalogueBytes(const std::vector<std::pair<std::string, std::string>> &entries,
                           bool bigEndian = false, uint32_t revision = 0)
{
    std::string words;
    const auto word = [&](uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            const int shift = bigEndian ? 24 - 8 * i : 8 * i;
            words.push_back(static_cast<char>((value >> shift) & 0xff));
        }
    };
    const uint32_t count = static_cast<uint32_t>(entries.size());
    const uint32_t originals = 28;
    const uint32_t translations = originals + 8 * count;
    std::string texts;
    std::vector<std::pair<uint32_t, uint32_t>> originalEntries;
    std::vector<std::pair<uint32_t, uint32_t>> translationEntries;
    const uint32_t textsStart = translations + 8 * count;
    for (const auto &[original, translation] : entries) {
        originalEntries.emplace_back(original.size(), textsStart + texts.size());
        texts += original + '\0';
    }
    for (const auto &[original, translation] : entries) {
        translationEntries.emplace_back(translation.size(), textsStart + texts.size());
        texts += translation + '\0';
    }
    for (uint32_t value : {0x950412deu, revision, count, originals, translations, 0u, 0u}) {
        word(value);
    }
    for (const auto &table : {originalEntries, translationEntries}) {
        for (const auto &[length, offset] : table) {
            word(length);
            word(offset);
        }
    }
    return words + texts;
}

TEST_F(MessageCatalogTest, DamagedCataloguesAreRefusedAndTheTextsStayEnglish)
{
    ScratchFolder scratch;
    const std::string folder = scratch.Path("xx/LC_MESSAGES");
    std::filesystem::create_directories(folder);
    const auto use = [&](const std::string &bytes) {
        scratch.Write("xx/LC_MESSAGES/keyrise.mo", bytes);
        return MessageCatalog::Use(scratch.Folder(), "xx");
    };
    const std::vector<std::pair<std::string, std::string>> entries = {
        {"", "Content-Type: text/plain; charset=UTF-8\n"},
        {"Density", "Dichte"},
        {"%d song", std::string("%d Lied\0%d Lieder", 16)}, // a plural: its first form
        {"Untranslated", ""},
    };
    const std::string good = CatalogueBytes(entries);

    // Either byte order, revision 0 or 1.
    for (const std::string &bytes :
         {good, CatalogueBytes(entries, true), CatalogueBytes(entries, false, 0x00010001)}) {
        ASSERT_TRUE(use(bytes));
        EXPECT_STREQ(Tr("Density"), "Dichte");
        EXPECT_STREQ(Tr("%d song"), "%d Lied");
        EXPECT_STREQ(Tr("Untranslated"), "Untranslated");
        EXPECT_STREQ(Tr("Not in it"), "Not in it");
    }

    // A text's final NUL as the file's last byte is inside; one byte less is not.
    ASSERT_EQ(good.back(), '\0');
    EXPECT_FALSE(use(good.substr(0, good.size() - 1)));
    EXPECT_STREQ(Tr("Density"), "Density");

    std::string noNul = good;
    noNul[noNul.size() - 1] = 'x';
    // "Dichte" said to start 256 MiB further on (the top byte of its offset word).
    std::string pastTheEnd = good;
    pastTheEnd[28 + 8 * 4 + 8 * 1 + 7] = 0x10;
    // The table of translations said to start 4 bytes before the end: its first entry is cut.
    std::string tableCut = good;
    const size_t tableStart = good.size() - 4;
    for (int i = 0; i < 4; ++i) {
        tableCut[16 + i] = static_cast<char>((tableStart >> (8 * i)) & 0xff);
    }
    std::string badMagic = good;
    badMagic[0] = 0x12;
    const std::vector<std::pair<std::string, std::string>> noHeader(entries.begin() + 1,
                                                                    entries.end());
    for (const std::string &bytes :
         {noNul, pastTheEnd, tableCut, badMagic, good.substr(0, 19),
          CatalogueBytes(entries, false, 0x00020000), CatalogueBytes(noHeader), std::string()}) {
        ASSERT_TRUE(use(good));
        EXPECT_FALSE(use(bytes));
        EXPECT_STREQ(Tr("Density"), "Density");
    }

    // A catalogue read again after it changed gives the new texts; those given before stay.
    ASSERT_TRUE(use(good));
    const char *before = Tr("Density");
    auto changed = entries;
    changed[1].second = "Dichte neu";
    ASSERT_TRUE(use(CatalogueBytes(changed)));
    EXPECT_STREQ(Tr("Density"), "Dichte neu");
    EXPECT_STREQ(before, "Dichte");
}

} // namespace
