// SaveNotice: the texts of the notices for files that could not be read or written.
#include "menus/SaveNotice.h"

#include "config/ConfigSyntax.h"
#include "text/MessageCatalog.h"

std::string ScoreSaveNotice(const std::string &path)
{
    return FormatText(Tr("High scores not saved to %s; kept, retried on leaving"), path.c_str());
}

std::string SettingsSaveNotice(const std::string &path, const std::string &readProblem)
{
    if (!readProblem.empty()) {
        return SettingsReadNotice(path, readProblem);
    }
    return FormatText(Tr("Settings not saved to %s (read-only?)"), path.c_str());
}

std::string ScoreReadNotice(const std::string &path, const std::string &reason)
{
    return FormatText(Tr("Cannot read high scores in %s: %s"), path.c_str(), Tr(reason.c_str()));
}

std::string SettingsReadNotice(const std::string &path, const std::string &reason)
{
    return FormatText(Tr("Cannot read settings in %s: %s; defaults in use"), path.c_str(),
                      Tr(reason.c_str()));
}

std::string LeftOutNotice(const std::string &path, const std::vector<std::string> &leftOut)
{
    if (leftOut.empty()) {
        return "";
    }
    // The key is shortened: an entry left out for its size may have a key of a megabyte,
    // which no line on screen can hold.
    if (leftOut.size() == 1) {
        return FormatText(Tr("Saved %s without an entry the game does not use (too large): %s"),
                          path.c_str(), ShownKey(leftOut.front()).c_str());
    }
    return FormatText(
        Tr("Saved %s without %d entries the game does not use (too large), such as %s"),
        path.c_str(), static_cast<int>(leftOut.size()), ShownKey(leftOut.front()).c_str());
}

std::string SongFolderNotice(const std::vector<std::pair<std::string, std::string>> &folderProblems,
                             const std::string &indexProblem)
{
    if (!folderProblems.empty()) {
        const std::string first =
            FormatText(Tr("Songs not listed from %s: %s"), folderProblems.front().first.c_str(),
                       Tr(folderProblems.front().second.c_str()));
        if (folderProblems.size() == 1) {
            return first;
        }
        return first + " " +
               FormatText(Tr("(and %d more folders)"), static_cast<int>(folderProblems.size() - 1));
    }
    if (!indexProblem.empty()) {
        return FormatText(Tr("Song index not saved: %s"), indexProblem.c_str());
    }
    return "";
}
