// LatencyCompensation: where the song stands for sending, for judging and for drawing.
#include "game/LatencyCompensation.h"

#include <algorithm>

#include "config/ConfigReader.h"
#include "game/PracticeClock.h"

void LatencyCompensation::Init(ConfigReader &config, int latency)
{
    Set(latency, config.GetInteger("offset", 0));
}

void LatencyCompensation::Set(int latency, int offset)
{
    userOffset = std::max(-MAX_OFFSET, std::min(MAX_OFFSET, offset));
    outputLatency = latency;
}

int LatencyCompensation::ToSongMs(int playerMs) const
{
    return playerMs * clock.GetTempo() / 100;
}

int LatencyCompensation::SongPosition(Uint32 now) const
{
    return clock.Position(now);
}

int LatencyCompensation::JudgedPosition(Uint32 now) const
{
    return SongPosition(now) - ToSongMs(userOffset);
}

int LatencyCompensation::SendPosition(Uint32 now) const
{
    return SongPosition(now) + (clock.IsRunning() ? ToSongMs(outputLatency) : 0);
}

int LatencyCompensation::RunningSendPosition(Uint32 now) const
{
    return SongPosition(now) + ToSongMs(outputLatency);
}

double LatencyCompensation::JudgedMsSince(int time, Uint32 now) const
{
    return clock.PlayerMsSince(time, now) - userOffset;
}
