// MessageCatalog: selecting and reading the message catalogues through glibc's gettext.
#include "text/MessageCatalog.h"

#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <libintl.h>
#include <unistd.h>

const char *const MessageCatalog::kDomain = "keyrise";

namespace {

// gettext ignores LANGUAGE while the message locale is the plain "C" one, and a locale such as
// ja_JP.UTF-8 may not be installed at all. C.UTF-8 is built into glibc, is not "C", and so lets
// LANGUAGE name the catalogue on any system.
void AllowLanguageVariable()
{
    const char *current = std::setlocale(LC_MESSAGES, nullptr);
    if (current != nullptr && std::strcmp(current, "C") != 0 &&
        std::strcmp(current, "POSIX") != 0) {
        return;
    }
    for (const char *name : {"C.UTF-8", "C.utf8"}) {
        if (std::setlocale(LC_MESSAGES, name) != nullptr) {
            return;
        }
    }
}

} // namespace

bool MessageCatalog::Exists(const std::string &folder, const std::string &language)
{
    const std::string path =
        folder + "/" + language + "/LC_MESSAGES/" + std::string(kDomain) + ".mo";
    return access(path.c_str(), R_OK) == 0;
}

bool MessageCatalog::Use(const std::string &folder, const std::string &language)
{
    AllowLanguageVariable();
    bindtextdomain(kDomain, folder.c_str());
    // The texts go to the UTF-8 text renderer, whatever the locale's character set (which is
    // plain ASCII in the C locale and would turn every Japanese character into '?').
    bind_textdomain_codeset(kDomain, "UTF-8");
    // The language also reaches the C library's own messages (strerror), which go into
    // warnings and notices; they too must be UTF-8 rather than question marks.
    bind_textdomain_codeset("libc", "UTF-8");
    setenv("LANGUAGE", language.c_str(), 1);
    // Setting the domain again tells gettext that the language changed, so that translations
    // it looked up before are looked up anew.
    textdomain(kDomain);
    // The empty text translates to the catalogue's header, and only when a catalogue was read.
    const char *const headerKey = "";
    const char *header = dgettext(kDomain, headerKey);
    return Exists(folder, language) && header != nullptr && header[0] != '\0';
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
    if (text == nullptr || text[0] == '\0') {
        return text; // gettext would give the catalogue header for the empty text
    }
    return dgettext(kDomain, text);
}
