// TimingSummary: mean, spread, early and late counts and a histogram of a game's timing errors.
#include "game/TimingSummary.h"

#include <algorithm>
#include <cmath>

TimingSummary::TimingSummary(const std::vector<int> &errors)
    : count(static_cast<int>(errors.size())), bins(BINS, 0)
{
    double sum = 0;
    for (int error : errors) {
        sum += error;
        early += error < 0;
        late += error > 0;
        bins[BinOf(error)]++;
    }
    if (count > 0)
        mean = sum / count;
    if (count > 1) {
        double squares = 0;
        for (int error : errors)
            squares += (error - mean) * (error - mean);
        spread = std::sqrt(squares / count);
    }
}

int TimingSummary::BinOf(int error)
{
    const int bin = static_cast<int>(std::floor((error + RANGE) / static_cast<double>(BIN)));
    return std::max(0, std::min(BINS - 1, bin));
}
