#include "platform/Interrupt.h"

#include "platform/WorkFiles.h"

#include <SDL.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace platform
{

namespace
{
// Set by the handler on whichever thread takes the signal, read by every
// thread (the capture's writer too): lock-free atomics, safe in a handler.
std::atomic<int> arrived{0};
std::atomic<int> finishing{0};
static_assert(std::atomic<int>::is_always_lock_free, "signal-safe flags");
struct timespec firstAt = {}; // written before arrived, read after it

void Write(const char* text, size_t n)
{
    ssize_t ignored = ::write(STDERR_FILENO, text, n);
    (void)ignored;
}

// Only async-signal-safe calls below.
void EndNow()
{
    CleanUpNow();
    static const char text[] = "vortexel: interrupted; ending now\n";
    Write(text, sizeof text - 1);
    ::_exit(128 + arrived);
}

void OnAlarm(int)
{
    EndNow();
}

void OnSignal(int signal)
{
    const int savedErrno = errno; // the interrupted code may be about to read it
    if (arrived != 0)
    {
        // The same press often arrives twice: a terminal signals the whole
        // process group, and wrappers such as timeout pass it on again. Only
        // a signal a second or more after the first means "stop now".
        struct timespec now = {};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec - firstAt.tv_sec >= 2 ||
            (now.tv_sec - firstAt.tv_sec == 1 && now.tv_nsec >= firstAt.tv_nsec))
            EndNow();
        errno = savedErrno;
        return;
    }
    ::clock_gettime(CLOCK_MONOTONIC, &firstAt);
    arrived = signal;
    ::alarm(kInterruptGraceSeconds);
    errno = savedErrno;
}

// An exit through std::exit (a library giving up) leaves nothing behind either.
void CleanUpAtExit()
{
    CleanUpNow();
}

void Install(int signal, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Library threads (sound output) may take the signal in a system call:
    // let it carry on; the engine's own reads are of regular files.
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}
} // namespace

void InstallInterruptHandlers()
{
    Install(SIGINT, OnSignal);
    Install(SIGTERM, OnSignal);
    Install(SIGHUP, OnSignal);
    Install(SIGALRM, OnAlarm);
    ::signal(SIGXFSZ, SIG_IGN);
    std::atexit(CleanUpAtExit);
    // SDL would turn the signals into a quit event that nothing reads while
    // the demo loads; the flag above serves every stage instead.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
}

void FinishOnInterrupt()
{
    if (arrived == 0)
        finishing = 1;
}

bool InterruptIsFinished()
{
    return finishing != 0;
}

void InterruptProgress()
{
    if (arrived != 0)
        ::alarm(kInterruptGraceSeconds);
}

bool InterruptRequested()
{
    return arrived != 0;
}

int InterruptSignal()
{
    return arrived;
}

} // namespace platform
