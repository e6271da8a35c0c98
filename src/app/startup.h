#pragma once

class Suite;
class SettingsStore;
class MessageBoxes;

// The first steps of every start: stop flags raised, program directory found,
// settings loaded and converted, serial line settings filled, link opened.
// Returns false when the link did not open (the caller then lets the user choose
// another port).
bool StartUpLink(Suite& suite, const SettingsStore& store, MessageBoxes& messages);
