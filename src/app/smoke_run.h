#pragma once

class Suite;

// A console check of the attached radio: walks it through every mode once,
// printing the radio state texts, the radio's own address and what each streaming
// mode delivers, and returns it to normal mode. Returns the process exit status
// (0 when every step was answered).
int RunRadioSmokeCheck(Suite& suite);
