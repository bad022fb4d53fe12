// LanguageChoice: the language of the game's texts: the "language" setting, else the locale.
#pragma once

#include <functional>
#include <string>
#include <vector>

// The game has texts in English ("en") and Japanese ("ja"); English is the one in the code.
class LanguageChoice
{
public:
    // Reads an environment variable: its value, or null when it is not set.
    using Environment = std::function<const char *(const char *name)>;

    // The language to show: 'configured' (the "language" setting) when it is "en" or "ja";
    // otherwise the locale as gettext reads it: the first of LC_ALL, LC_MESSAGES and LANG that
    // is set and not empty names it, "C" and "POSIX" (or none at all) meaning English; when
    // it names a real locale, the first language of LANGUAGE that the game has wins. A locale
    // of a language the game has no texts for gives English.
    static std::string Resolve(const std::string &configured, const Environment &environment);

    // Resolves against the process environment and puts the language in use, its catalogue
    // taken from the first of 'folders' that has it. When none has it or it cannot be read,
    // the texts are English and one warning says so. Returns the language now in use.
    static std::string Apply(const std::string &configured,
                             const std::vector<std::string> &folders);
    // As above with the standard catalogue folders.
    static std::string Apply(const std::string &configured);
    // Where catalogues are looked for, in this order: the game's own locale folders (installed:
    // the prefix's), "locale" in the working directory when portable, "locale" next to the
    // program (the build tree), and the folder the build installs them to.
    static std::vector<std::string> StandardFolders();

    // The language in use since the last Apply ("en" before any).
    static std::string Current();
    // Why the last Apply could not give the language asked for (its catalogue is missing), for
    // the player to read; empty when it could.
    static std::string GetProblem();

    // The setting in "config": "en", "ja", or absent to follow the locale.
    static const char *const kSettingKey;
};
