// NoticeLayout: shrinking a notice to its room, then breaking it into lines.
#include "widgets/NoticeLayout.h"

#include <algorithm>

#include "text/TextConversion.h"

namespace {

// Breaks 'text' into lines no wider than 'width' at 'size'; a line holds at least one
// character, so a room narrower than one still ends.
void Break(const std::string &text, size_t notice, int width, int size,
           const NoticeLayout::Measure &measure, std::vector<NoticeLine> &lines)
{
    std::string rest = text;
    while (!rest.empty()) {
        const std::vector<size_t> starts = Utf8CharacterStarts(rest);
        // The most characters that fit: starts[fit] is the end of the longest fitting line.
        size_t low = 1;
        size_t high = starts.size() - 1;
        while (low < high) {
            const size_t middle = (low + high + 1) / 2;
            if (measure(size, rest.substr(0, starts[middle])) <= width) {
                low = middle;
            } else {
                high = middle - 1;
            }
        }
        size_t end = starts[low];
        size_t next = end;
        if (end < rest.size()) {
            // Between words where one ends in the line; the space itself is dropped.
            const size_t space = rest.rfind(' ', end);
            if (space != std::string::npos && space > 0) {
                end = space;
                next = space + 1;
            }
        }
        lines.push_back({rest.substr(0, end), size, notice});
        const size_t more = rest.find_first_not_of(' ', next);
        rest = more == std::string::npos ? std::string() : rest.substr(more);
    }
}

} // namespace

std::vector<NoticeLine> NoticeLayout::Lay(const std::vector<std::string> &notices, int width,
                                          int size, int minimum, const Measure &measure)
{
    std::vector<NoticeLine> lines;
    for (size_t n = 0; n < notices.size(); ++n) {
        const std::string &text = notices[n];
        if (text.empty()) {
            continue;
        }
        // Glyph widths do not scale exactly with the size: shrink in proportion until it fits.
        int at = std::max(size, minimum);
        int wide = measure(at, text);
        while (wide > width && at > minimum) {
            at = std::max(minimum, std::min(at - 1, at * width / std::max(1, wide)));
            wide = measure(at, text);
        }
        if (wide <= width) {
            lines.push_back({text, at, n});
        } else {
            Break(text, n, width, minimum, measure, lines);
        }
    }
    return lines;
}
