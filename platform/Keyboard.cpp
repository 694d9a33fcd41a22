#include "platform/Keyboard.h"

#include "platform/Events.h"
#include "platform/SdlInit.h"

#include <SDL.h>

#include <atomic>

namespace platform
{

namespace
{
std::atomic<bool> pressedF1{false};
std::atomic<bool> pressedF2{false};
bool watching = false;

std::atomic<bool>* MarkFor(int key)
{
    if (key == KeyF1)
        return &pressedF1;
    if (key == KeyF2)
        return &pressedF2;
    return nullptr;
}

// Sees every key press as SDL receives it, before the one-event-per-frame pump.
int Watch(void*, SDL_Event* e)
{
    if (e->type == SDL_KEYDOWN)
    {
        if (e->key.keysym.sym == SDLK_F1)
            pressedF1 = true;
        else if (e->key.keysym.sym == SDLK_F2)
            pressedF2 = true;
    }
    return 1;
}

void EnsureWatching()
{
    if (watching)
        return;
    EnsureSdlSubsystem(SDL_INIT_EVENTS);
    SDL_AddEventWatch(Watch, nullptr);
    watching = true;
}
} // namespace

bool QueryAsyncKey(int key)
{
    EnsureWatching();
    std::atomic<bool>* mark = MarkFor(key);
    bool pressed = mark ? mark->exchange(false) : false;
    bool down = false;
    int count = 0;
    const Uint8* state = SDL_GetKeyboardState(&count);
    SDL_Scancode code = key == KeyF1   ? SDL_SCANCODE_F1
                        : key == KeyF2 ? SDL_SCANCODE_F2
                                       : SDL_SCANCODE_UNKNOWN;
    if (state && code != SDL_SCANCODE_UNKNOWN && code < count)
        down = state[code] != 0;
    return down || pressed;
}

void MarkKeyPressed(int key)
{
    EnsureWatching();
    if (std::atomic<bool>* mark = MarkFor(key))
        *mark = true;
}

} // namespace platform
