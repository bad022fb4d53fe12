// SongLoader: the loader thread, its request and result slots, and the test hold.
#include "menus/SongLoader.h"

#include <utility>

#include "song/MidiContainer.h"

namespace {

// The hold of the tests, shared by every loader.
std::mutex holdMutex;
std::condition_variable holdChanged;
bool holding = false;
std::atomic<int> running{0};
std::atomic<int> held{0}; ///< threads waiting at the hold

} // namespace

SongLoader::~SongLoader()
{
    Stop();
}

void SongLoader::Request(uint64_t ticket, const std::string &path, const std::string &name)
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (stopping) {
            return;
        }
        latestTicket = ticket;
        latestPath = path;
        latestName = name;
        pending = true;
    }
    wake.notify_one();
    if (!thread.joinable()) {
        ++running;
        thread = std::thread(&SongLoader::Run, this);
    }
}

void SongLoader::Cancel()
{
    SongEvents dropped;
    std::lock_guard<std::mutex> lock(mutex);
    pending = false;
    latestPath.clear();
    latestName.clear();
    if (ready) {
        dropped = std::move(result);
        ready = false;
    }
}

bool SongLoader::Take(uint64_t &ticket, SongEvents &events)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (!ready) {
        return false;
    }
    ticket = readyTicket;
    events = std::move(result);
    result = SongEvents();
    ready = false;
    if (readyTicket == latestTicket) {
        // The request is answered: nothing more is asked for until the next one.
        latestPath.clear();
        latestName.clear();
    }
    return true;
}

bool SongLoader::Wait(uint64_t &ticket, SongEvents &events)
{
    {
        std::unique_lock<std::mutex> lock(mutex);
        if (latestPath.empty() || !thread.joinable()) {
            return false;
        }
        answered.wait(lock, [this] { return stopping || (ready && readyTicket == latestTicket); });
        if (stopping) {
            return false;
        }
    }
    return Take(ticket, events);
}

bool SongLoader::IsReady()
{
    std::lock_guard<std::mutex> lock(mutex);
    return ready;
}

void SongLoader::Stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    stopped = true;
    wake.notify_all();
    answered.notify_all();
    {
        std::lock_guard<std::mutex> lock(holdMutex);
    }
    holdChanged.notify_all();
    if (thread.joinable()) {
        thread.join();
    }
    std::lock_guard<std::mutex> lock(mutex);
    result = SongEvents();
    ready = false;
}

void SongLoader::Run()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || pending; });
        if (stopping) {
            break;
        }
        pending = false;
        const std::string path = latestPath;
        const std::string name = latestName;
        lock.unlock();
        {
            std::unique_lock<std::mutex> hold(holdMutex);
            ++held;
            holdChanged.wait(hold, [this] { return !holding || stopped.load(); });
            --held;
        }
        SongEvents events;
        if (!stopped.load()) {
            events = MidiContainer::ReadEvents(path, name);
        }
        SongEvents dropped; // goes with its heap outside the lock
        lock.lock();
        if (stopping) {
            lock.unlock();
            break;
        }
        if (latestPath == path) {
            // Still wanted (perhaps asked for again meanwhile): answers the latest request.
            pending = false;
            if (ready) {
                dropped = std::move(result);
            }
            result = std::move(events);
            readyTicket = latestTicket;
            ready = true;
            answered.notify_all();
        } else {
            dropped = std::move(events);
        }
        lock.unlock();
        dropped = SongEvents();
        lock.lock();
    }
    --running;
}

void SongLoader::Hold(bool held)
{
    {
        std::lock_guard<std::mutex> lock(holdMutex);
        holding = held;
    }
    holdChanged.notify_all();
}

int SongLoader::Running()
{
    return running.load();
}

int SongLoader::Held()
{
    return held.load();
}
