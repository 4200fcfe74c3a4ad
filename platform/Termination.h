#pragma once

namespace zanvor {

// SIGTERM, SIGINT and SIGHUP as a request to end the program cleanly: the first one is noted
// (and wakes whoever watches TerminationFd, and interrupts a blocking system call with EINTR),
// so the program can stop its worker, close the database and remove its lock and socket; a
// second one ends the program at once, as it would without a handler, for a program that does
// not stop.
void InstallTerminationHandlers();

// True once a termination signal arrived.
bool TerminationRequested();

// The signal that arrived, 0 when none.
int TerminationSignal();

// A descriptor that becomes readable when a termination signal arrives (for an event loop);
// -1 before InstallTerminationHandlers.
int TerminationFd();

// Forgets an earlier request (tests).
void ResetTerminationRequest();

}  // namespace zanvor
