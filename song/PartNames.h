// PartNames: the names of the 128 General MIDI programs and of the drum kits, shown on the cards.
#pragma once

// Number of General MIDI programs.
constexpr int kProgramCount = 128;
// Named drum kits, plus one name for the kits that have none.
constexpr int kDrumKitCount = 11;
// Entries of the name table: the programs 0-127, then the drum kits.
constexpr int kPartNameCount = kProgramCount + kDrumKitCount;
// The channel (0-based) whose program selects a drum kit rather than an instrument.
constexpr int kDrumChannel = 9;

// Index into the name table of what 'channel' plays with 'program' (0-127): the program's
// instrument, or on the drum channel its drum kit.
int PartNameIndex(int channel, int program);

// Name (English, to be translated with Tr) of table entry 0 to kPartNameCount - 1, or an empty
// text for any other index.
const char *GetPartName(int index);
