// The cells of the window's texts: what ends a text on its line and what only touches it.
#include "app/TextCells.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace skf {
namespace {

// Records the texts drawn with their clips; 6 pixels a character.
class Recorder : public Painter {
public:
    struct Text {
        int x, y, right, bottom;
        std::string text;
    };
    void fillRect(int, int, int, int, Colour) override {}
    void line(int, int, int, int, Colour) override {}
    void text(int x, int y, const std::string& text, Colour) override {
        texts.push_back(Text{x, y, m_right, m_bottom, text});
    }
    Font font() const override { return Font{"Helvetica", 13}; }
    int textWidth(const std::string& text) const override { return static_cast<int>(text.size()) * 6; }
    void setClip(int, int, int x1, int y1) override {
        m_right = x1;
        m_bottom = y1;
    }
    void clearClip() override { m_right = m_bottom = -1; }
    std::vector<Text> texts;

private:
    int m_right = -1;
    int m_bottom = -1;
};

TEST(TextCells, AControlOnTheLineEndsTheCellOneThatOnlyTouchesItDoesNot) {
    const struct {
        CellBlock control;
        int right; // of the text's clip
    } rows[] = {
        {{200, 100, 260, 116}, 197}, // beside the text
        {{200, 115, 260, 130}, 197}, // one pixel into its line
        {{200, 116, 260, 130}, 400}, // just below: the text's line ends at 116
        {{200, 80, 260, 100}, 400},  // just above
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.control.y0);
        Recorder target;
        CellLayoutPainter cells(target, {row.control}, 400, 300);
        cells.text(10, 100, "Label", Colour{});
        cells.finish();
        ASSERT_EQ(target.texts.size(), 1U);
        EXPECT_EQ(target.texts[0].right, row.right);
    }
}

TEST(TextCells, ATooLongTextWrapsAtItsBlanksWhenItsCellHoldsTwoLines) {
    Recorder target;
    CellLayoutPainter cells(target, {CellBlock{100, 0, 120, 300}}, 400, 300);
    cells.line(0, 60, 400, 60, Colour{});
    cells.line(0, 88, 400, 88, Colour{});
    cells.text(10, 66, "one two three four", Colour{}); // 108 pixels in a cell 87 wide
    cells.finish();
    ASSERT_EQ(target.texts.size(), 2U);
    EXPECT_EQ(target.texts[0].text, "one two three");
    EXPECT_EQ(target.texts[1].text, "four");
    EXPECT_EQ(target.texts[1].y - target.texts[0].y, 13);
    EXPECT_GE(target.texts[0].y, 61);
    EXPECT_LE(target.texts[1].y + 13, 88);
}

} // namespace
} // namespace skf
