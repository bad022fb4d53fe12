// Tests of the reader's scratch across threads: what one thread reads is never freed by another
// (run under ThreadSanitizer and AddressSanitizer as part of threads_tests).
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "devices/MidiOut.h"
#include "smf/MidiBytes.h"
#include "smf/MidiHeap.h"
#include "smf/MidiHeapScope.h"
#include "smf/ReadMidi.h"

namespace {

// A song of 'notes' Note On / Note Off pairs on each of two tracks.
Bytes TwoTrackSong(int notes)
{
    Bytes events;
    for (int i = 0; i < notes; ++i) {
        events = events + Vlq(10) + Bytes{0x90, static_cast<unsigned char>(40 + i % 40), 100} +
                 Vlq(10) + Bytes{0x80, static_cast<unsigned char>(40 + i % 40), 0};
    }
    return Header(1, 2, 480) + Track(events) + Track(events);
}

// The title menu releases the shared heap (and used to free every reader's track lists with it)
// while a song-library thread sits between reading a song and merging its tracks: the thread's
// song must still merge whole. Both threads also read and merge songs of their own at the same
// time, so that a store shared between them would be seen by the sanitizers.
TEST(ReadMidiThreadTest, ReleasingTheSharedHeapNeverFreesAnotherThreadsSongBeforeItsMerge)
{
    const Bytes song = TwoTrackSong(3000);
    ASSERT_EQ(InitMidiLib(), 0);
    std::promise<void> read;
    std::promise<void> released;
    size_t merged = 0;
    std::thread reader([&] {
        MidiHeap heap;
        MidiHeapScope scope(&heap);
        MidiFile *midi = ReadMidiBuffer(song.data(), song.size(), "worker.mid");
        read.set_value();
        ASSERT_NE(midi, nullptr);
        released.get_future().wait();
        ASSERT_NE(MargeTrackCounted(midi, &merged), nullptr);
        // The store this thread kept for its next file serves it whole.
        for (int i = 0; i < 20; ++i) {
            size_t again = 0;
            MidiFile *next = ReadMidiBuffer(song.data(), song.size(), "worker.mid");
            ASSERT_NE(next, nullptr);
            ASSERT_NE(MargeTrackCounted(next, &again), nullptr);
            EXPECT_EQ(again, merged);
        }
    });
    read.get_future().wait();
    // The main thread reads into the shared heap, leaves one song unmerged, and releases it all.
    for (int i = 0; i < 20; ++i) {
        size_t count = 0;
        MidiFile *own = ReadMidiBuffer(song.data(), song.size(), "main.mid");
        ASSERT_NE(own, nullptr);
        ASSERT_NE(MargeTrackCounted(own, &count), nullptr);
        EXPECT_EQ(count, 4u * 3000u);
    }
    ASSERT_NE(ReadMidiBuffer(song.data(), song.size(), "unmerged.mid"), nullptr);
    ReleaseMidiLib();
    released.set_value();
    reader.join();
    EXPECT_EQ(merged, 4u * 3000u);
}

} // namespace
