// TimingCalibration: turns taps on a steady beat into a proposed timing offset and its spread.
#pragma once

#include <vector>

// Beats fall at first + k x interval (ms, k = 0 .. count - 1). Each tap belongs to the nearest
// beat; a beat keeps only its first tap (a double tap is ignored) and a tap further than
// MAX_ERROR from every beat is ignored (a stray press). The proposed offset is the median of
// the kept errors, so a few wrong taps cannot move it far; the spread is the median distance
// of the errors from it.
class TimingCalibration
{
public:
    static constexpr int MAX_ERROR = 200; ///< ms; taps further off than this are ignored
    static constexpr int MIN_TAPS = 8;    ///< beats with a tap needed before an offset is proposed

    // interval: ms between beats (at least 1); count: number of beats.
    TimingCalibration(long long first, int interval, int count);

    // A tap at the given clock time (ms). Returns true when it was kept.
    bool Tap(long long time);

    // The beat (0-based) nearest to a clock time, clamped to the beats that exist.
    int BeatAt(long long time) const;
    long long BeatTime(int beat) const { return first + static_cast<long long>(beat) * interval; }
    int GetCount() const { return count; }

    // Beats that got a tap.
    int GetTapCount() const;
    // True when enough beats got a tap to propose an offset.
    bool HasResult() const { return GetTapCount() >= MIN_TAPS; }
    // Median error (tap minus beat, ms; positive: late), rounded to the nearest ms; 0 without
    // taps.
    int GetOffset() const;
    // Median absolute distance (ms) of the errors from GetOffset(); 0 without taps.
    int GetSpread() const;
    // Kept errors in ms, one per beat that got a tap, in beat order.
    std::vector<int> GetErrors() const;

private:
    long long first;
    int interval;
    int count;
    std::vector<bool> tapped; ///< per beat: it has its tap
    std::vector<int> errors;  ///< per beat: its tap's error (ms), valid where tapped
};
