// MenuEvent: the user event the scene manager sends for a menu key, for tests that deliver it.
#pragma once

#include <SDL.h>

// Codes: 0 left, 1 right, 2 up, 3 down, 4 ok, 5 cancel.
inline SDL_Event MenuEvent(int code)
{
    SDL_Event event{};
    event.type = SDL_USEREVENT;
    event.user.code = code;
    return event;
}
