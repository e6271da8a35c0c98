#pragma once

#include <QIcon>

// The suite's own icon (src/app/desktop/veltrane-diagnostics.svg, built in as
// pictures of the sizes title bars and task bars use). The main window carries it,
// and the windows inside it and its dialogs show it through their parent.
const QIcon& suiteIcon();
