// BlitLog: the record, kept only while a test asks for it.
#include "content/BlitLog.h"

#include <memory>
#include <utility>

namespace {
// Null while no record runs, so that a blit of the game costs one test.
std::unique_ptr<std::vector<BlitLog::Entry>> record;
} // namespace

void BlitLog::Start()
{
    record = std::make_unique<std::vector<Entry>>();
}

std::vector<BlitLog::Entry> BlitLog::Stop()
{
    std::vector<Entry> entries;
    if (record) {
        entries = std::move(*record);
        record.reset();
    }
    return entries;
}

void BlitLog::Note(const SDL_Surface *surface, const SDL_Rect &source, const SDL_Rect &destination)
{
    if (!record || surface == nullptr) {
        return;
    }
    record->push_back(Entry{surface, SDL_Rect{destination.x, destination.y, source.w, source.h}});
}
