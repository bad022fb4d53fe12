// TimingSummary: mean, spread, early and late counts and a histogram of a game's timing errors.
#pragma once

#include <vector>

// Built from the signed timing errors of the hits (ms, negative: early); misses have no error
// and are not part of it.
class TimingSummary
{
public:
    static constexpr int RANGE = 150; ///< ms: the histogram spans -RANGE .. +RANGE
    static constexpr int BIN = 10;    ///< ms per histogram bin
    static constexpr int BINS =
        2 * RANGE / BIN; ///< 30 bins; errors beyond the range go to the ends

    explicit TimingSummary(const std::vector<int> &errors);

    int GetCount() const { return count; }
    // Mean error (ms); 0 without hits.
    double GetMean() const { return mean; }
    // Standard deviation of the errors (ms); 0 with fewer than two hits.
    double GetSpread() const { return spread; }
    // Hits before (error < 0) and after (error > 0) the note's time.
    int GetEarly() const { return early; }
    int GetLate() const { return late; }
    // Hits per bin; bin i holds errors in [-RANGE + i x BIN, -RANGE + (i + 1) x BIN).
    const std::vector<int> &GetBins() const { return bins; }
    // Bin of an error (clamped to the first and last bin).
    static int BinOf(int error);

private:
    int count = 0;
    double mean = 0;
    double spread = 0;
    int early = 0;
    int late = 0;
    std::vector<int> bins;
};
