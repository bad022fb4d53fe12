// SaveNotice: the texts of the notices for files that could not be written.
#include "menus/SaveNotice.h"

std::string ScoreSaveNotice(const std::string &path)
{
    return "High scores not saved to " + path + "; kept, retried on leaving";
}

std::string SettingsSaveNotice(const std::string &path)
{
    return "Settings not saved to " + path + " (read-only?)";
}
