// Tests of the MIDI keyboard as a controller: presses, releases, held notes, and no sequencer.
#include <gtest/gtest.h>

#include "devices/AlsaMidiIn.h"
#include "devices/FakeMidiIn.h"
#include "devices/MidiKeyboard.h"

TEST(MidiKeyboard, NotesDownAndUpAcrossPollsAndChannels)
{
    FakeMidiIn fake;
    MidiKeyboard::SetOverride(&fake);
    {
        MidiKeyboard keyboard(3);
        ASSERT_TRUE(keyboard.IsOpen());
        EXPECT_TRUE(fake.IsOpen());
        fake.Press(60);
        fake.Push({0x95, 64, 30});  // channel 6 plays too
        fake.Push({0xB0, 64, 127}); // a pedal is no press
        fake.Push({0x90, 67, 0});   // a Note On of velocity 0 releases
        EXPECT_EQ(keyboard.Poll(), (std::vector<int>{60, 64}));
        EXPECT_TRUE(keyboard.IsHeld(60));
        EXPECT_TRUE(keyboard.IsHeld(64));
        EXPECT_FALSE(keyboard.IsHeld(67));
        // Held notes stay held over polls that bring nothing; a press is reported once.
        EXPECT_TRUE(keyboard.Poll().empty());
        EXPECT_TRUE(keyboard.IsHeld(60));
        fake.Release(60);
        fake.Push({0x95, 64, 0});
        EXPECT_TRUE(keyboard.Poll().empty());
        EXPECT_FALSE(keyboard.IsHeld(60));
        EXPECT_FALSE(keyboard.IsHeld(64));
        EXPECT_FALSE(keyboard.IsHeld(-1));
        EXPECT_FALSE(keyboard.IsHeld(128));
    }
    EXPECT_FALSE(fake.IsOpen()) << "closed with the keyboard";
    // An input that cannot be opened reports nothing.
    fake.SetOpenResult(false);
    {
        MidiKeyboard keyboard(0);
        fake.Press(60);
        EXPECT_FALSE(keyboard.IsOpen());
        EXPECT_TRUE(keyboard.Poll().empty());
    }
    MidiKeyboard::SetOverride(nullptr);
}

TEST(MidiKeyboard, WithoutASequencerOrKeyboardNothingIsOpen)
{
    // The first device is always "all keyboards"; the rest are whatever the sequencer lists.
    const std::vector<std::string> names = MidiKeyboard::DeviceNames();
    ASSERT_FALSE(names.empty());
    EXPECT_EQ(names[0], "All MIDI keyboards");
    const std::vector<AlsaPort> sources = AlsaMidiIn::ListSources();
    EXPECT_EQ(names.size(), sources.size() + 1);
    // A device number past the list opens nothing.
    MidiKeyboard missing(static_cast<int>(sources.size()) + 1);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_TRUE(missing.Poll().empty());
    bool hardware = false;
    for (const AlsaPort &source : sources)
        hardware = hardware || AlsaMidiIn::IsHardware(source);
    MidiKeyboard all(0);
    EXPECT_EQ(all.IsOpen(), hardware);
}
