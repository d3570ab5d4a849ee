#pragma once
// A header below app/ that asks the window for repaints itself: the layering check must name this line.
#include <cstdint>
#include "platform/ui/WindowMessages.h"
