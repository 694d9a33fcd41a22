#pragma once
// Ctrl+C (SIGINT), SIGTERM and SIGHUP: the program ends promptly whatever it
// is doing.
//
// The first signal sets a flag that every long stage reads: the event pump
// answers a quit event from then on (dialog, loading screen, main loop), and
// the script and music readers stop reading. Whatever does not notice within
// kInterruptGraceSeconds (a decoder deep inside a library) is cut short: the
// process then exits at once, as it does on a second signal a second or more
// after the first (repeats within that second are the same press, passed on
// by a terminal or a wrapper such as timeout). That forced end still puts the
// terminal back, ends the child processes and removes the work files
// (platform/WorkFiles.h). The exit status is 128 + the signal number: 130 for
// SIGINT, 143 for SIGTERM, except for a stage that finishes on its own
// (FinishOnInterrupt).
//
// A file size limit (RLIMIT_FSIZE) makes writes fail like a full disk instead
// of ending the program: SIGXFSZ is ignored.

namespace platform
{

constexpr unsigned kInterruptGraceSeconds = 2;

// Installs the handlers; call before SDL starts, which then keeps them.
void InstallInterruptHandlers();

// For a stage that stops on the flag by itself and must then finish its work
// (a capture writing out its video): after a later first signal the program's
// status is the stage's own, and the forced end waits as long as the stage
// keeps reporting progress. Does nothing once a signal has arrived.
void FinishOnInterrupt();
// True when FinishOnInterrupt took effect.
bool InterruptIsFinished();
// Work after a signal that is still moving (a frame written, an encoder using
// its processor): the forced end is put off by another grace period. Does
// nothing before a signal.
void InterruptProgress();

// True once SIGINT or SIGTERM has arrived.
bool InterruptRequested();
// The signal that arrived first, 0 when none.
int InterruptSignal();

} // namespace platform
