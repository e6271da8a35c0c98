#pragma once

#include "network/network_context.h"

// The application context: one per program, and one per test that needs a whole
// suite. It owns every piece of state and hands each piece the neighbours it uses;
// nothing in the suite reaches for a global.
class Suite : public NetworkContext {
public:
    using NetworkContext::NetworkContext;
};
