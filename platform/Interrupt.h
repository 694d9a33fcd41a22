#pragma once
// Ctrl+C (SIGINT) and SIGTERM: the program ends promptly whatever it is doing.
//
// The first signal sets a flag that every long stage reads: the event pump
// answers a quit event from then on (dialog, loading screen, main loop), and
// the script and music readers stop reading. Whatever does not notice within
// kInterruptGraceSeconds (a decoder deep inside a library) is cut short: the
// process then exits at once, as it does on a second signal. The exit status
// is 128 + the signal number: 130 for SIGINT, 143 for SIGTERM.

namespace platform
{

constexpr unsigned kInterruptGraceSeconds = 2;

// Installs the handlers; call before SDL starts, which then keeps them.
void InstallInterruptHandlers();

// True once SIGINT or SIGTERM has arrived.
bool InterruptRequested();
// The signal that arrived first, 0 when none.
int InterruptSignal();

} // namespace platform
