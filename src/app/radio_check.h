#pragma once

struct CommandLine;

// veltrane-diagnostics --check: a console check of the attached radio. Opens the
// link as the suite does at start-up, reads the radio's address, walks it through
// bin report, configuration and acquisition mode and back to normal mode, printing
// the radio state texts. Returns the process exit status (0 when every step was
// answered). Needs no display.
int RunConsoleCheck(const CommandLine& options);
