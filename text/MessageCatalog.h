// MessageCatalog: the game's texts in the chosen language, from GNU gettext message catalogues.
#pragma once

#include <string>
#include <vector>

// The message catalogues are "<folder>/<language>/LC_MESSAGES/keyrise.mo", built from po/ by
// the build. The texts in the code are the English ones and serve as the keys; a text with no
// translation, or any text while no catalogue is in use, comes back unchanged.
class MessageCatalog
{
public:
    // The text domain, also the catalogue's file name without ".mo".
    static const char *const kDomain;

    // Makes 'language' ("en", "ja") the language of Translate, its catalogue read from
    // 'folder'. The game reads the catalogue itself rather than through the C library's
    // gettext, which gives translations only under a locale that is installed and is neither C
    // nor (since glibc 2.39) C.UTF-8: so it works whatever the locales of the system, and the
    // translations come back in UTF-8 as written. Returns true when the catalogue was found and
    // read; otherwise texts stay as in the code. Call it from the main thread; the texts
    // Translate gave stay valid for the whole run.
    static bool Use(const std::string &folder, const std::string &language);

    // True when a file of that language's catalogue exists in 'folder'.
    static bool Exists(const std::string &folder, const std::string &language);

    // The translation of 'text' in the language in use (UTF-8), or 'text' itself.
    static const char *Translate(const char *text);
};

// The translation of 'text' (UTF-8); short for MessageCatalog::Translate. A printf format keeps
// its conversions, which the compiler checks against the arguments.
__attribute__((format_arg(1))) inline const char *Tr(const char *text)
{
    return MessageCatalog::Translate(text);
}

// A printf 'format' (usually a translated one, Tr("Lane %d")) filled in, as a string. Where a
// sentence has parts that change, the whole sentence is one text with conversions, so that a
// translation can put the parts in the order its language needs.
__attribute__((format(printf, 1, 2))) std::string FormatText(const char *format, ...);

// Marks a text in a table as one to translate where it is used (with Tr); returns it unchanged.
constexpr const char *TrNoop(const char *text)
{
    return text;
}
