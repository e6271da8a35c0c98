#pragma once

#include "core/event_wait.h"
#include "core/pending_commands.h"
#include "core/settings.h"
#include "core/stop_flags.h"
#include "link/link_status_display.h"
#include "link/mode_protocol.h"
#include "link/radio_link.h"

class MessageBoxes;
class StatusText;
class AnalyzerSurfaces;

// The state every radio operation shares: what the user chose, the flags that end
// loops, the wait that yields to the user interface, the link and its modes. The
// analyzers' contexts build on it layer by layer, up to the application's suite; a
// window takes the context of its own layer and no more.
struct RadioContext {
    RadioContext(MessageBoxes& messages, StatusText& statusBar, AnalyzerSurfaces& surfaces)
        : messages_(messages), linkStatus(settings, flags, surfaces),
          link(settings, flags, wait, messages),
          modes(link, settings, flags, wait, linkStatus, statusBar) {}
    RadioContext(const RadioContext&) = delete;
    RadioContext& operator=(const RadioContext&) = delete;

    MessageBoxes& messages() const { return messages_; }

private:
    MessageBoxes& messages_;

public:
    Settings settings;
    StopFlags flags;
    EventWait wait{flags};
    PendingCommands pending{flags, wait};
    LinkStatusDisplay linkStatus;
    RadioLink link;
    ModeProtocol modes;
};
