// SaveNotice: the texts of the notices for files that could not be written.
#include "menus/SaveNotice.h"

#include "platform/MessageCatalog.h"

std::string ScoreSaveNotice(const std::string &path)
{
    return FormatText(Tr("High scores not saved to %s; kept, retried on leaving"), path.c_str());
}

std::string SettingsSaveNotice(const std::string &path)
{
    return FormatText(Tr("Settings not saved to %s (read-only?)"), path.c_str());
}
