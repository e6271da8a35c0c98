#include "app/startup.h"

#include "core/settings_store.h"
#include "app/suite.h"
#include "ui/message_boxes.h"

void LoadStartUpSettings(Suite& suite, const SettingsStore& store, MessageBoxes& messages) {
    suite.flags.stopTools();

    Settings& settings = suite.settings;
    settings.ProgramDirectory = FindProgramDirectory();
    if (settings.ProgramDirectory.isEmpty())
        messages.showMessage(QStringLiteral("Can't locate program directory"));
    LoadSettings(settings, store);
    suite.spectrumData.resize(settings.NumberOfPoints); // one entry per point
    settings.applyStartupConversions();
    settings.IsWindowsNT = false; // no such thing here
}

bool OpenStartUpLink(Suite& suite) {
    suite.link.FillPortSettings();
    return suite.link.OpenPort(0);
}
