#pragma once

#include <QIcon>

// The images of the main window's tool bars, drawn at run time so that they follow
// the screen's resolution. Image numbers as the transport logic uses them: 5/6 Pause
// normal/active, 7/8 Play, 9/10 Record; the active variants are lit (green play,
// red record, amber pause) so that a running transport is seen at a glance.
namespace transport_icons {

QIcon image(int number);
QIcon stop();
QIcon loadFile();

} // namespace transport_icons
