#pragma once
// Keeps the texts of the main window inside their cells, so that no text runs over a control, another text
// or into the next band: a painter that records one paint of the window and then draws it on the real
// painter, each text clipped at the first thing to its right on its line (a text, a control, a box, a
// vertical line, the window's edge) and, when it is too wide and the room above and below it holds more
// lines, wrapped at its blanks. Window thread only; used by lf_paintWindow.
#include <string>
#include <vector>

#include "platform/ui/Window.h"

namespace skf {

// A rectangle [x0,x1) x [y0,y1) that texts keep out of (a control).
struct CellBlock {
    int x0 = 0;
    int y0 = 0;
    int x1 = 0;
    int y1 = 0;
};

class CellLayoutPainter : public Painter {
public:
    CellLayoutPainter(Painter& target, std::vector<CellBlock> controls, int width, int height)
        : m_target(target), m_controls(std::move(controls)), m_width(width), m_height(height) {}

    void fillRect(int x0, int y0, int x1, int y1, Colour colour) override;
    void line(int x0, int y0, int x1, int y1, Colour colour) override;
    void text(int x, int y, const std::string& text, Colour colour) override;
    Font font() const override { return m_target.font(); }
    int textWidth(const std::string& text) const override { return m_target.textWidth(text); }
    void setClip(int, int, int, int) override {} // the layout clips every text itself
    void clearClip() override {}

    // Draws what was recorded, in order, on the target.
    void finish();

private:
    struct Item {
        enum class Kind { Rect, Line, Text } kind;
        int x0, y0, x1, y1;
        std::string text;
        Colour colour;
    };
    struct Cell {
        int right;
        int top;
        int bottom;
    };
    Cell lf_cellOf(std::size_t index) const;
    void lf_drawText(const Item& item, const Cell& cell);

    Painter& m_target;
    std::vector<CellBlock> m_controls;
    int m_width;
    int m_height;
    std::vector<Item> m_items;
};

// The lines that text takes when it is wrapped at blanks to at most width pixels (a word wider than that
// gets a line of its own).
std::vector<std::string> gf_wrapText(const Painter& painter, const std::string& text, int width);

} // namespace skf
