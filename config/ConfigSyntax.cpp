// ConfigSyntax: tokenising, formatting and integer conversion of key/value files.
#include "config/ConfigSyntax.h"

#include <climits>
#include <cstdio>
#include <vector>

#include "platform/MessageBox.h"
#include "platform/SafeFile.h"

namespace {

bool IsWhite(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Returns the next token starting at or after 'position', moving 'position' past it; an empty
// result means the text has no more tokens.
std::string NextToken(const std::string &text, size_t &position)
{
    while (position < text.size() && IsWhite(text[position])) {
        ++position;
    }
    const size_t start = position;
    while (position < text.size() && !IsWhite(text[position])) {
        ++position;
    }
    return text.substr(start, position - start);
}

} // namespace

void ParseConfigText(const std::string &text, std::map<std::string, std::string> &entries,
                     const std::string &context)
{
    size_t lineStart = 0;
    int lineNumber = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) {
            lineEnd = text.size();
        }
        ++lineNumber;
        const std::string line = text.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        std::vector<std::string> tokens;
        size_t position = 0;
        for (std::string token = NextToken(line, position); !token.empty();
             token = NextToken(line, position)) {
            tokens.push_back(std::move(token));
        }
        // A line left without its value would shift every later pair if the file were read as
        // one stream of words; here it costs only itself.
        if (tokens.size() % 2 != 0) {
            ShowWarning(context, "line " + std::to_string(lineNumber) + " (\"" + tokens[0] +
                                     "...\") is not a key and a value; skipped");
            continue;
        }
        for (size_t i = 0; i < tokens.size(); i += 2) {
            entries[tokens[i]] = tokens[i + 1];
        }
    }
}

bool ReadWholeFile(const std::string &path, std::string &text, std::string *problem)
{
    // Never blocks on a FIFO and never reads more than a settings file can sensibly hold.
    std::string reason;
    const SafeReadResult result = ReadRegularFile(path, MAX_SETTINGS_FILE_BYTES, text, &reason);
    if (result == SafeReadResult::Refused || result == SafeReadResult::Unreadable) {
        WarnRefusedFileOnce(path, reason);
    } else {
        reason.clear();
    }
    if (problem != nullptr) {
        *problem = reason;
    }
    return result == SafeReadResult::Read;
}

bool ReadConfigFile(const std::string &path, std::map<std::string, std::string> &entries,
                    std::string *problem)
{
    std::string text;
    if (!ReadWholeFile(path, text, problem)) {
        return false;
    }
    ParseConfigText(text, entries, path);
    return true;
}

bool IsConfigToken(const std::string &text)
{
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (IsWhite(c)) {
            return false;
        }
    }
    return true;
}

std::string ShownKey(const std::string &key)
{
    const size_t most = 40; // bytes
    if (key.size() <= most) {
        return key;
    }
    size_t end = most;
    // Not inside a UTF-8 character: continuation bytes are 10xxxxxx.
    while (end > 0 && (static_cast<unsigned char>(key[end]) & 0xC0) == 0x80) {
        --end;
    }
    return key.substr(0, end) + "...";
}

std::string FormatConfigLine(const std::string &key, const std::string &value)
{
    std::string line;
    line.reserve(key.size() + value.size() + 2);
    line += key;
    line += ' ';
    line += value;
    line += '\n';
    return line;
}

std::string FormatConfigFile(const std::map<std::string, std::string> &entries,
                             const std::string &path)
{
    std::string contents;
    for (const auto &entry : entries) {
        if (!IsConfigToken(entry.first) || !IsConfigToken(entry.second)) {
            ShowWarning(path, "left out \"" + entry.first +
                                  "\": a key or value must be one word without spaces");
            continue;
        }
        contents += FormatConfigLine(entry.first, entry.second);
    }
    return contents;
}

int ParseConfigInteger(const std::string &value)
{
    size_t i = 0;
    while (i < value.size() && IsWhite(value[i])) {
        ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == '+' || value[i] == '-')) {
        negative = value[i] == '-';
        ++i;
    }
    // Accumulate as a negative number so INT_MIN is reachable without overflow.
    long long result = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        result = result * 10 - (value[i] - '0');
        if (result < INT_MIN) {
            return negative ? INT_MIN : INT_MAX;
        }
    }
    if (negative) {
        return static_cast<int>(result);
    }
    return result < -INT_MAX ? INT_MAX : static_cast<int>(-result);
}
