// TimingCalibration: turns taps on a steady beat into a proposed timing offset and its spread.
#include "game/TimingCalibration.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {
// Median of a list (the mean of the middle two for an even count), rounded half away from 0.
int Median(std::vector<int> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    if (values.size() % 2 == 1)
        return values[middle];
    return static_cast<int>(std::lround((values[middle - 1] + values[middle]) / 2.0));
}
} // namespace

TimingCalibration::TimingCalibration(long long first, int interval, int count)
    : first(first), interval(std::max(1, interval)), count(std::max(0, count)),
      tapped(static_cast<size_t>(std::max(0, count)), false),
      errors(static_cast<size_t>(std::max(0, count)), 0)
{
}

int TimingCalibration::BeatAt(long long time) const
{
    if (count == 0)
        return 0;
    const double beat = std::floor((time - first) / static_cast<double>(interval) + 0.5);
    return static_cast<int>(std::max(0.0, std::min<double>(count - 1, beat)));
}

bool TimingCalibration::Tap(long long time)
{
    if (count == 0)
        return false;
    const int beat = BeatAt(time);
    const long long error = time - BeatTime(beat);
    if (std::llabs(error) > MAX_ERROR || tapped[beat])
        return false;
    tapped[beat] = true;
    errors[beat] = static_cast<int>(error);
    return true;
}

int TimingCalibration::GetTapCount() const
{
    return static_cast<int>(std::count(tapped.begin(), tapped.end(), true));
}

std::vector<int> TimingCalibration::GetErrors() const
{
    std::vector<int> kept;
    for (int beat = 0; beat < count; beat++) {
        if (tapped[beat])
            kept.push_back(errors[beat]);
    }
    return kept;
}

int TimingCalibration::GetOffset() const
{
    return Median(GetErrors());
}

int TimingCalibration::GetSpread() const
{
    const int offset = GetOffset();
    std::vector<int> distances;
    for (int error : GetErrors())
        distances.push_back(std::abs(error - offset));
    return Median(distances);
}
