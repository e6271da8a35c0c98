#pragma once

#include "monkey_options.h"

#include <QStringList>

struct MonkeyTarget;

// Drives the suite with random real input from a seeded generator, with radio faults
// in between, and checks what must hold whatever the user does:
// - the event loop never stalls for more than a second (a 50 ms timer notes how late
//   it comes; a thread beside it aborts, printing the actions, when the loop has not
//   turned for 10 s, so that a hang is reported instead of timing out silently);
// - a recording that has ended holds 16 bytes for every record counted;
// - every 8 to 20 s the faults stop and Stop brings the radio back to normal mode
//   within 5 s (the radio check);
// - at the end File > Exit finishes within 5 s and leaves the radio in normal mode
//   with its own address as destination (the exit check);
// - and nothing crashes.
// Every action is logged (kept in options.logPath) so that a failed run can be
// replayed; a failure, a crash or a hang prints the seed, the replay line and the last
// actions. Returns the failures, after printing a summary of the run.
QStringList runMonkey(MonkeyTarget& target, const MonkeyOptions& options);
