// ConfigReader: read-only look-up of a key/value settings file, and the global configReader.
#include "config/ConfigReader.h"

#include "config/ConfigSyntax.h"

ConfigReader configReader;

void ConfigReader::ReadFile(const std::string &path)
{
    ReadConfigFile(path, entries, &readProblem);
}

const char *ConfigReader::GetString(std::string &out, const std::string &key,
                                    const std::string &defaultValue) const
{
    const auto found = entries.find(key);
    out = found != entries.end() ? found->second : defaultValue;
    return out.c_str();
}

int ConfigReader::GetInteger(const std::string &key, int defaultValue) const
{
    const auto found = entries.find(key);
    return found != entries.end() ? ParseConfigInteger(found->second) : defaultValue;
}
