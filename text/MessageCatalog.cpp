// MessageCatalog: reading the game's message catalogues (GNU .mo files) and looking texts up.
#include "text/MessageCatalog.h"

#include <atomic>
#include <clocale>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <libintl.h>
#include <map>
#include <memory>
#include <unistd.h>
#include <unordered_map>

const char *const MessageCatalog::kDomain = "keyrise";

namespace {

// Original text (the English one in the code) -> its translation, both UTF-8.
using Texts = std::unordered_map<std::string, std::string>;

// The catalogue in use; none while the texts are those of the code. Other threads translate
// while the main thread only reads it, so it is swapped whole.
std::atomic<const Texts *> inUse{nullptr};
// Every catalogue read, by file: the texts Translate gave out stay valid for the whole run
// (callers keep them, as they kept gettext's), so a catalogue is never freed.
std::map<std::string, std::unique_ptr<Texts>> readCatalogues;
std::vector<std::unique_ptr<Texts>> replacedCatalogues;

// Our catalogues are a few tens of kB; anything far larger is not one of them.
constexpr size_t kMaxCatalogueBytes = 16u << 20;

// The .mo format: a header of 32-bit words, in the byte order of the machine that wrote it
// (told by the magic number), then two tables of (length, offset) pairs, one of the original
// texts and one of their translations, each text ending in a NUL byte.
constexpr uint32_t kMagic = 0x950412de;
constexpr uint32_t kSwappedMagic = 0xde120495;

uint32_t Word(const std::string &bytes, size_t offset, bool swapped)
{
    uint32_t word = 0;
    std::memcpy(&word, bytes.data() + offset, sizeof word);
    return swapped ? __builtin_bswap32(word) : word;
}

// The text that table entry 'index' at 'table' points to, up to its first NUL (a plural entry
// holds its forms one after the other; the first is the one for a text without a count).
// False when the entry or its text lies outside the file or the text has no final NUL.
bool TableText(const std::string &bytes, uint64_t table, uint64_t index, bool swapped,
               std::string &text)
{
    const uint64_t entry = table + index * 8;
    if (entry + 8 > bytes.size()) {
        return false;
    }
    const uint64_t length = Word(bytes, entry, swapped);
    const uint64_t offset = Word(bytes, entry + 4, swapped);
    if (offset + length >= bytes.size() || bytes[offset + length] != '\0') {
        return false;
    }
    text.assign(bytes.c_str() + offset);
    return true;
}

// Reads a whole .mo file; false (and 'texts' unspecified) when it is missing or malformed.
bool ReadCatalogue(const std::string &path, Texts &texts)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    std::string bytes;
    char buffer[8192];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        bytes.append(buffer, static_cast<size_t>(file.gcount()));
        if (bytes.size() > kMaxCatalogueBytes) {
            return false;
        }
    }
    if (file.bad() || bytes.size() < 20) {
        return false;
    }
    uint32_t magic = 0;
    std::memcpy(&magic, bytes.data(), sizeof magic);
    if (magic != kMagic && magic != kSwappedMagic) {
        return false;
    }
    const bool swapped = magic == kSwappedMagic;
    // Revisions 0 and 1 share the layout read here; a new major revision would not.
    if ((Word(bytes, 4, swapped) >> 16) > 1) {
        return false;
    }
    const uint64_t count = Word(bytes, 8, swapped);
    const uint64_t originals = Word(bytes, 12, swapped);
    const uint64_t translations = Word(bytes, 16, swapped);
    std::string original;
    std::string translation;
    for (uint64_t i = 0; i < count; ++i) {
        if (!TableText(bytes, originals, i, swapped, original) ||
            !TableText(bytes, translations, i, swapped, translation)) {
            return false;
        }
        texts[original] = translation;
    }
    return true;
}

// The C library's own messages (strerror's, in warnings and notices) still come through its
// gettext: they follow the language where the system has them translated. gettext ignores
// LANGUAGE while the message locale is the plain "C" one, and a locale such as ja_JP.UTF-8 may
// not be installed at all; C.UTF-8 is built in. (Since glibc 2.39 LANGUAGE is ignored under
// C.UTF-8 as well, so on such systems these messages stay English. Our own texts do not depend
// on any of this: the game reads its catalogues itself.)
void FollowLanguageInSystemMessages(const std::string &language)
{
    const char *current = std::setlocale(LC_MESSAGES, nullptr);
    if (current == nullptr || std::strcmp(current, "C") == 0 ||
        std::strcmp(current, "POSIX") == 0) {
        for (const char *name : {"C.UTF-8", "C.utf8"}) {
            if (std::setlocale(LC_MESSAGES, name) != nullptr) {
                break;
            }
        }
    }
    // UTF-8 whatever the locale's character set (plain ASCII in the C locale would turn every
    // Japanese character into '?').
    bind_textdomain_codeset("libc", "UTF-8");
    setenv("LANGUAGE", language.c_str(), 1);
    // Setting the domain again tells gettext that the language changed, so that messages it
    // looked up before are looked up anew.
    textdomain(MessageCatalog::kDomain);
}

std::string CataloguePath(const std::string &folder, const std::string &language)
{
    return folder + "/" + language + "/LC_MESSAGES/" + std::string(MessageCatalog::kDomain) + ".mo";
}

} // namespace

bool MessageCatalog::Exists(const std::string &folder, const std::string &language)
{
    return access(CataloguePath(folder, language).c_str(), R_OK) == 0;
}

bool MessageCatalog::Use(const std::string &folder, const std::string &language)
{
    FollowLanguageInSystemMessages(language);
    const std::string path = CataloguePath(folder, language);
    auto texts = std::make_unique<Texts>();
    // The empty text translates to the catalogue's header, which every catalogue has.
    if (!ReadCatalogue(path, *texts) || (*texts)[""].empty()) {
        inUse = nullptr;
        return false;
    }
    std::unique_ptr<Texts> &kept = readCatalogues[path];
    if (kept == nullptr || *kept != *texts) {
        if (kept != nullptr) {
            replacedCatalogues.push_back(std::move(kept));
        }
        kept = std::move(texts);
    }
    inUse = kept.get();
    return true;
}

std::string FormatText(const char *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    va_list again;
    va_copy(again, arguments);
    const int length = std::vsnprintf(nullptr, 0, format, arguments);
    va_end(arguments);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&text[0], text.size(), format, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}

const char *MessageCatalog::Translate(const char *text)
{
    const Texts *texts = inUse;
    if (text == nullptr || text[0] == '\0' || texts == nullptr) {
        return text; // the empty text would give the catalogue's header
    }
    const auto found = texts->find(text);
    // An empty translation means the text is not translated yet.
    if (found == texts->end() || found->second.empty()) {
        return text;
    }
    return found->second.c_str();
}
