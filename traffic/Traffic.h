#pragma once
// What the application uses of traffic/: the traffic engine. Headers not listed here are traffic/'s own.
#include "traffic/EngineServices.h" // the engine's step, start-up, reset and closing down
