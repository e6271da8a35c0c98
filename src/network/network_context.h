#pragma once

#include "network/network_query.h"
#include "spectrum/spectrum_context.h"

// Everything the analyzers share, with the query of the radios on the network: the
// context of the Network Query window and of the dialogs above it.
struct NetworkContext : SpectrumContext {
    NetworkContext(MessageBoxes& messages, StatusText& statusBar, AnalyzerSurfaces& surfaces)
        : SpectrumContext(messages, statusBar, surfaces),
          query(flags, wait, link, modes, recorder, pending) {}

    NetworkQuery query;
};
