#pragma once

class Suite;
class SettingsStore;
class MessageBoxes;

// The first steps of every start: stop flags raised, program directory found,
// settings loaded and converted (baud index to rate text, parity letter).
void LoadStartUpSettings(Suite& suite, const SettingsStore& store, MessageBoxes& messages);

// Fills the serial line settings and opens the link. Returns false when the link did
// not open (the caller then lets the user choose another port).
bool OpenStartUpLink(Suite& suite);
