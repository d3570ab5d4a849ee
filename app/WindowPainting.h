#pragma once
// Painting of the main window (window thread): five bands, the labels of the controls, the indicators,
// the park-airport block and the status band, all from the display fields and the settings.
#include <string>

#include "platform/ui/Window.h"

namespace skf {

// The whole window, each text kept inside its cell (TextCells.h).
void lf_paintWindow(Painter& painter);
// The whole window as it is laid out, texts at their places whatever their length.
void lf_paintBands(Painter& painter);
void lf_paintIndicators(Painter& painter);
void lf_paintLabels(Painter& painter);
void lf_paintParkBlock(Painter& painter);
void lf_paintStatusBand(Painter& painter);
// Draws text with its top-left corner at (x, y); text that is no valid UTF-8 is skipped and logged.
void lf_paintText(Painter& painter, int x, int y, const std::string& text, Colour colour);

// "average fit" hours: one decimal when they have a fraction, none otherwise.
std::string gf_averageHoursText(float hours);

} // namespace skf
