// SongLoader: the song selection's thread that reads the chosen song's events.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "song/SongEvents.h"

// Reads one song at a time (MidiContainer::ReadEvents) on a thread of its own, so that the song
// selection keeps answering keys while a large song is read. Ownership: the thread touches
// nothing but this object's guarded slots and the heap it fills, which it owns until the main
// thread takes the result (Take, polled in Idle); it knows the song only by its path and name.
// Only the latest request counts: a read whose path is no longer the one asked for is dropped
// on the thread, and each result carries the ticket of the request it answers so that the
// screen can drop one that came too late. The thread starts with the first request and is
// stopped and joined by Stop (the destructor calls it).
class SongLoader
{
public:
    SongLoader() = default;
    ~SongLoader();
    SongLoader(const SongLoader &) = delete;
    SongLoader &operator=(const SongLoader &) = delete;

    // Asks for the song at 'path' under 'ticket'; replaces any earlier request. A read of the
    // same path already under way answers this request instead.
    void Request(uint64_t ticket, const std::string &path, const std::string &name);
    // Withdraws the request: a read under way is dropped when it ends.
    void Cancel();
    // Moves a finished read into 'events' with the ticket it answers; false when none waits.
    bool Take(uint64_t &ticket, SongEvents &events);
    // Blocks until the latest request is answered, then takes it like Take. False when the
    // loader stopped or nothing was asked for.
    bool Wait(uint64_t &ticket, SongEvents &events);
    // True when a finished read waits to be taken.
    bool IsReady();
    // Stops the thread (a read under way is finished first) and joins it; results not taken
    // are dropped.
    void Stop();

    // Tests: while held, every loader waits before it reads (Stop still ends it).
    static void Hold(bool held);
    // Tests: loader threads that have not ended yet.
    static int Running();
    // Tests: loader threads waiting at the hold.
    static int Held();

private:
    void Run();

    std::thread thread;
    std::mutex mutex;                 ///< guards everything below
    std::condition_variable wake;     ///< the thread waits for a request or the stop
    std::condition_variable answered; ///< Wait waits for a result
    bool stopping = false;
    std::atomic<bool> stopped{false}; ///< stopping, readable by the hold without the mutex
    bool pending = false;             ///< the latest request is not being read yet
    uint64_t latestTicket = 0;
    std::string latestPath; ///< "" when nothing is asked for
    std::string latestName;
    bool ready = false; ///< a result waits in 'result'
    uint64_t readyTicket = 0;
    SongEvents result;
};
