#pragma once

#include <QString>
#include <QStringList>

class MainWindow;
class Suite;
class EmulatorProcess;
class ScriptedFileDialogs;
class ScriptedMessages;

// What the monkey plays with: the real main window of a suite on the emulator, and
// the scripted answers of its file dialogs and message boxes.
struct MonkeyTarget {
    MainWindow& window;
    Suite& suite;
    EmulatorProcess& emulator;
    ScriptedFileDialogs& dialogs;
    ScriptedMessages& messages;
    QString folder;         // where recordings are made
    QStringList recordings; // the recordings made so far (Load File picks from them)
};
