#include "app/TextCells.h"

#include <algorithm>

namespace skf {

namespace {

constexpr int kGap = 3; // pixels kept free before whatever stands to the right of a text

bool lf_overlaps(int a0, int a1, int b0, int b1) {
    return a0 < b1 && b0 < a1;
}

} // namespace

std::vector<std::string> gf_wrapText(const Painter& painter, const std::string& text, int width) {
    std::vector<std::string> lines;
    std::string current;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t blank = text.find(' ', at);
        const std::size_t end = blank == std::string::npos ? text.size() : blank;
        const std::string word = text.substr(at, end - at);
        const std::string joined = current.empty() ? word : current + " " + word;
        if (!current.empty() && painter.textWidth(joined) > width) {
            lines.push_back(current);
            current = word;
        } else {
            current = joined;
        }
        at = end + 1;
    }
    if (!current.empty() || lines.empty())
        lines.push_back(current);
    return lines;
}

void CellLayoutPainter::fillRect(int x0, int y0, int x1, int y1, Colour colour) {
    m_items.push_back(Item{Item::Kind::Rect, x0, y0, x1, y1, {}, colour});
}

void CellLayoutPainter::line(int x0, int y0, int x1, int y1, Colour colour) {
    m_items.push_back(Item{Item::Kind::Line, x0, y0, x1, y1, {}, colour});
}

void CellLayoutPainter::text(int x, int y, const std::string& text, Colour colour) {
    m_items.push_back(Item{Item::Kind::Text, x, y, x + textWidth(text), y, text, colour});
}

CellLayoutPainter::Cell CellLayoutPainter::lf_cellOf(std::size_t index) const {
    const Item& t = m_items[index];
    const int x = t.x0;
    const int y = t.y0;
    const int height = font().size + 3;
    Cell cell{m_width, 0, m_height};
    // To the right on the same line: the first text, control, box or vertical line ends the cell; a box
    // that holds the text bounds it on every side.
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& o = m_items[i];
        if (i == index)
            continue;
        switch (o.kind) {
        case Item::Kind::Text:
            if (o.x0 > x && lf_overlaps(o.y0, o.y0 + height, y, y + height))
                cell.right = std::min(cell.right, o.x0 - kGap);
            break;
        case Item::Kind::Rect:
            if (o.x0 <= x && x < o.x1 && o.y0 <= y && y < o.y1) {
                cell.right = std::min(cell.right, o.x1);
                cell.top = std::max(cell.top, o.y0);
                cell.bottom = std::min(cell.bottom, o.y1);
            } else if (o.x0 > x && lf_overlaps(o.y0, o.y1, y, y + height)) {
                cell.right = std::min(cell.right, o.x0 - kGap);
            }
            break;
        case Item::Kind::Line:
            if (o.x0 == o.x1 && o.x0 > x && lf_overlaps(std::min(o.y0, o.y1), std::max(o.y0, o.y1) + 1, y, y + height))
                cell.right = std::min(cell.right, o.x0 - kGap);
            break;
        }
    }
    for (const CellBlock& c : m_controls)
        if (c.x0 > x && lf_overlaps(c.y0, c.y1, y, y + height))
            cell.right = std::min(cell.right, c.x0 - kGap);
    // Above and below within the text's width: horizontal lines, texts and controls.
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& o = m_items[i];
        if (i == index)
            continue;
        if (o.kind == Item::Kind::Line && o.y0 == o.y1 && std::min(o.x0, o.x1) <= x && x < std::max(o.x0, o.x1)) {
            if (o.y0 <= y)
                cell.top = std::max(cell.top, o.y0 + 1);
            else
                cell.bottom = std::min(cell.bottom, o.y0);
        } else if (o.kind == Item::Kind::Text && lf_overlaps(o.x0, std::max(o.x1, o.x0 + 1), x, cell.right)) {
            if (o.y0 + height <= y)
                cell.top = std::max(cell.top, o.y0 + height);
            else if (o.y0 >= y + height)
                cell.bottom = std::min(cell.bottom, o.y0);
        }
    }
    for (const CellBlock& c : m_controls) {
        if (!lf_overlaps(c.x0, c.x1, x, cell.right))
            continue;
        if (c.y1 <= y)
            cell.top = std::max(cell.top, c.y1);
        else if (c.y0 >= y + height)
            cell.bottom = std::min(cell.bottom, c.y0);
    }
    return cell;
}

void CellLayoutPainter::lf_drawText(const Item& item, const Cell& cell) {
    const int width = cell.right - item.x0;
    const int step = font().size;
    const int room = std::max((cell.bottom - cell.top) / step, 1);
    std::vector<std::string> lines{item.text};
    if (width > 0 && item.x1 - item.x0 > width && room >= 2)
        lines = gf_wrapText(m_target, item.text, width);
    if (lines.size() == 1) {
        m_target.setClip(item.x0, cell.top, cell.right, cell.bottom);
        m_target.text(item.x0, item.y0, item.text, item.colour);
        m_target.clearClip();
        return;
    }
    // Wrapped: as many lines as the cell holds, centred in it; the rest of the text is cut at its end.
    const auto shown = static_cast<int>(std::min<std::size_t>(lines.size(), static_cast<std::size_t>(room)));
    if (static_cast<std::size_t>(shown) < lines.size()) {
        for (std::size_t i = static_cast<std::size_t>(shown); i < lines.size(); ++i)
            lines[static_cast<std::size_t>(shown) - 1] += " " + lines[i];
    }
    int y = cell.top + (cell.bottom - cell.top - shown * step) / 2;
    m_target.setClip(item.x0, cell.top, cell.right, cell.bottom);
    for (int i = 0; i < shown; ++i, y += step)
        m_target.text(item.x0, y, lines[static_cast<std::size_t>(i)], item.colour);
    m_target.clearClip();
}

void CellLayoutPainter::finish() {
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const Item& item = m_items[i];
        switch (item.kind) {
        case Item::Kind::Rect:
            m_target.fillRect(item.x0, item.y0, item.x1, item.y1, item.colour);
            break;
        case Item::Kind::Line:
            m_target.line(item.x0, item.y0, item.x1, item.y1, item.colour);
            break;
        case Item::Kind::Text:
            lf_drawText(item, lf_cellOf(i));
            break;
        }
    }
    m_items.clear();
}

} // namespace skf
