#pragma once

class Suite;
class FileDialogs;
class MessageBoxes;

// File > Export Statistics...: the statistics of the test on the screen (hop bin or
// spectrum) as they are at the moment of the choice, written as a CSV file chosen
// in a save dialog. The file is written whole or not at all; a failure is shown.
// Nothing is sent to the radio; a running test goes on.
void ExportStatistics(const Suite& suite, FileDialogs& dialogs, MessageBoxes& messages);
