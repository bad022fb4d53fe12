// NoticeLayout: notices set in lines that fit a width, never in letters below a readable size.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// One line of a notice as it is drawn.
struct NoticeLine
{
    std::string text;  ///< UTF-8, a whole number of characters
    int size = 0;      ///< font size (px)
    size_t notice = 0; ///< which of the notices it belongs to
};

// Each notice starts a line of its own, in the given order. A notice wider than the room is set
// in smaller letters, down to 'minimum'; one that is still too wide is broken into lines at that
// size, at the last space that fits (between two characters where no space does, as in
// Japanese), so that every word of it is read, the file name and the reason alike.
class NoticeLayout
{
public:
    // Width in px of 'text' at font size 'size'.
    using Measure = std::function<int(int size, const std::string &text)>;

    static std::vector<NoticeLine> Lay(const std::vector<std::string> &notices, int width, int size,
                                       int minimum, const Measure &measure);
};
