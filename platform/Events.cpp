#include "platform/Events.h"

#include "platform/Interrupt.h"
#include "platform/SdlInit.h"

#include <SDL.h>

namespace platform
{

namespace
{
bool quitRequested = false;
bool failureQuit = false;
bool queueFailureQuits = true;

int TranslateKey(SDL_Keycode sym)
{
    switch (sym)
    {
    case SDLK_ESCAPE:
        return KeyEscape;
    case SDLK_TAB:
        return KeyTab;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return KeyReturn;
    case SDLK_SPACE:
        return KeySpace;
    case SDLK_PAGEUP:
        return KeyPageUp;
    case SDLK_PAGEDOWN:
        return KeyPageDown;
    case SDLK_HOME:
        return KeyHome;
    case SDLK_LEFT:
        return KeyLeft;
    case SDLK_RIGHT:
        return KeyRight;
    case SDLK_r:
        return KeyR;
    case SDLK_i:
        return KeyI;
    case SDLK_l:
        return KeyL;
    case SDLK_o:
        return KeyO;
    case SDLK_COMMA:
        return KeyComma;
    case SDLK_PERIOD:
        return KeyPeriod;
    case SDLK_LEFTBRACKET:
        return KeyLeftBracket;
    case SDLK_RIGHTBRACKET:
        return KeyRightBracket;
    case SDLK_F1:
        return KeyF1;
    case SDLK_F2:
        return KeyF2;
    default:
        return KeyOther;
    }
}

SDL_Keycode ToSdlKey(int key)
{
    switch (key)
    {
    case KeyEscape:
        return SDLK_ESCAPE;
    case KeyTab:
        return SDLK_TAB;
    case KeyReturn:
        return SDLK_RETURN;
    case KeySpace:
        return SDLK_SPACE;
    case KeyPageUp:
        return SDLK_PAGEUP;
    case KeyPageDown:
        return SDLK_PAGEDOWN;
    case KeyHome:
        return SDLK_HOME;
    case KeyLeft:
        return SDLK_LEFT;
    case KeyRight:
        return SDLK_RIGHT;
    case KeyR:
        return SDLK_r;
    case KeyI:
        return SDLK_i;
    case KeyL:
        return SDLK_l;
    case KeyO:
        return SDLK_o;
    case KeyComma:
        return SDLK_COMMA;
    case KeyPeriod:
        return SDLK_PERIOD;
    case KeyLeftBracket:
        return SDLK_LEFTBRACKET;
    case KeyRightBracket:
        return SDLK_RIGHTBRACKET;
    case KeyF1:
        return SDLK_F1;
    case KeyF2:
        return SDLK_F2;
    default:
        return SDLK_a;
    }
}
} // namespace

void PostQuitRequest(bool failure)
{
    EnsureSdlSubsystem(SDL_INIT_EVENTS);
    if (failure && !queueFailureQuits)
    {
        failureQuit = true;
        return;
    }
    quitRequested = true;
    failureQuit = failureQuit || failure;
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
}

void SetFailureQuitsQueued(bool on)
{
    queueFailureQuits = on;
}

bool PollOneEvent(Event& out)
{
    EnsureSdlSubsystem(SDL_INIT_EVENTS);
    out = Event{};
    if (InterruptRequested())
    {
        out.kind = EventKind::Quit;
        return true;
    }
    // Not SDL_PollEvent: it ends each poll cycle at a sentinel, so an event
    // queued after one pump (a quit request) would answer "none" to the next.
    SDL_PumpEvents();
    SDL_Event e;
    do
    {
        if (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) != 1)
            return false;
    } while (e.type == SDL_POLLSENTINEL);
    switch (e.type)
    {
    case SDL_QUIT:
        out.kind = EventKind::Quit;
        break;
    case SDL_KEYDOWN:
        out.kind = EventKind::KeyDown;
        out.key = TranslateKey(e.key.keysym.sym);
        out.windowId = e.key.windowID;
        break;
    case SDL_MOUSEBUTTONDOWN:
        out.kind = e.button.button == SDL_BUTTON_LEFT ? EventKind::MouseDown : EventKind::Other;
        out.x = e.button.x;
        out.y = e.button.y;
        out.windowId = e.button.windowID;
        break;
    case SDL_WINDOWEVENT:
        out.kind = e.window.event == SDL_WINDOWEVENT_CLOSE ? EventKind::Quit : EventKind::Other;
        out.windowId = e.window.windowID;
        break;
    default:
        out.kind = EventKind::Other;
        break;
    }
    return true;
}

void FlushEvents()
{
    EnsureSdlSubsystem(SDL_INIT_EVENTS);
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    quitRequested = false;
    failureQuit = false;
}

bool QuitWasRequested()
{
    return quitRequested;
}
bool FailureQuitWasRequested()
{
    return failureQuit;
}

void ClearQuitRequested()
{
    quitRequested = false;
    failureQuit = false;
}

void InjectKeyDown(int key)
{
    EnsureSdlSubsystem(SDL_INIT_EVENTS);
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = ToSdlKey(key);
    SDL_PushEvent(&e);
}

} // namespace platform
