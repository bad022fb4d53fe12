// LanguageChoice: resolving the language from the setting and the locale, and applying it.
#include "framework/LanguageChoice.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/GamePaths.h"
#include "platform/MessageBox.h"
#include "text/MessageCatalog.h"

const char *const LanguageChoice::kSettingKey = "language";

namespace {

std::string currentLanguage = "en";
// The language whose missing catalogue was last reported: one warning per language chosen.
std::string warnedLanguage;
// The last Apply's problem, for the screen.
std::string problem;

// "en" or "ja" for a locale or language name such as "ja_JP.UTF-8", "ja" or "en_GB"; empty
// for a language the game has no texts for.
std::string KnownLanguage(const std::string &name)
{
    const std::string language = name.substr(0, name.find_first_of("_.@"));
    if (language == "en" || language == "ja") {
        return language;
    }
    return "";
}

// English name of a language code, for the warning.
const char *LanguageName(const std::string &language)
{
    return language == "ja" ? "Japanese" : "English";
}

} // namespace

std::string LanguageChoice::Resolve(const std::string &configured, const Environment &environment)
{
    if (configured == "en" || configured == "ja") {
        return configured;
    }
    std::string locale;
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char *value = environment(name);
        if (value != nullptr && value[0] != '\0') {
            locale = value;
            break;
        }
    }
    if (locale.empty() || locale == "C" || locale == "POSIX" || locale.rfind("C.", 0) == 0) {
        return "en";
    }
    // LANGUAGE is a list of languages by preference, "ja:en"; gettext reads it only for a
    // real locale.
    const char *list = environment("LANGUAGE");
    std::string preferences = list != nullptr ? list : "";
    size_t start = 0;
    while (start <= preferences.size()) {
        size_t end = preferences.find(':', start);
        if (end == std::string::npos) {
            end = preferences.size();
        }
        const std::string language = KnownLanguage(preferences.substr(start, end - start));
        if (!language.empty()) {
            return language;
        }
        start = end + 1;
    }
    const std::string language = KnownLanguage(locale);
    return language.empty() ? "en" : language;
}

std::string LanguageChoice::Apply(const std::string &configured,
                                  const std::vector<std::string> &folders)
{
    const std::string language = Resolve(
        configured, [](const char *name) { return static_cast<const char *>(std::getenv(name)); });
    for (const std::string &folder : folders) {
        if (MessageCatalog::Exists(folder, language) && MessageCatalog::Use(folder, language)) {
            currentLanguage = language;
            warnedLanguage.clear();
            problem.clear();
            return currentLanguage;
        }
    }
    // No usable catalogue: no translations at all, so every text is the English one.
    MessageCatalog::Use(folders.empty() ? std::string(".") : folders.front(), "en");
    problem = FormatText("No %s texts found (%s.mo); showing English", LanguageName(language),
                         MessageCatalog::kDomain);
    if (warnedLanguage == language) {
        currentLanguage = "en";
        return currentLanguage;
    }
    warnedLanguage = language;
    std::string searched;
    for (const std::string &folder : folders) {
        searched += (searched.empty() ? "" : ", ") + folder;
    }
    ShowWarning("language", std::string("no ") + LanguageName(language) + " message catalogue (" +
                                MessageCatalog::kDomain + ".mo) in " +
                                (searched.empty() ? "no folder" : searched) +
                                "; the texts are shown in English");
    currentLanguage = "en";
    return currentLanguage;
}

std::string LanguageChoice::Apply(const std::string &configured)
{
    return Apply(configured, StandardFolders());
}

std::string LanguageChoice::Current()
{
    return currentLanguage;
}

std::string LanguageChoice::GetProblem()
{
    return problem;
}

std::vector<std::string> LanguageChoice::StandardFolders()
{
    // Installed, the prefix's catalogues; a "locale" folder where the player happens to be is
    // none of the game's.
    std::vector<std::string> folders = Paths().LocaleFolders();
    if (Paths().IsPortable()) {
        folders.push_back("locale");
    }
    char program[4096];
    const ssize_t length = readlink("/proc/self/exe", program, sizeof program - 1);
    if (length > 0) {
        std::string path(program, static_cast<size_t>(length));
        const size_t slash = path.rfind('/');
        if (slash != std::string::npos) {
            folders.push_back(path.substr(0, slash) + "/locale");
        }
    }
#ifdef KEYRISE_LOCALEDIR
    folders.push_back(KEYRISE_LOCALEDIR);
#endif
    return folders;
}
