#include <gtest/gtest.h>

#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/ui/FltkWindow.h"

using namespace skf;

namespace {

struct BandPainter : WindowHandler {
    ControlModel* model = nullptr;
    int clicks = 0;
    void onPaint(Painter& p) override {
        p.fillRect(0, 0, 880, 448, Colour{0, 0, 0});
        p.fillRect(0, 448, 880, 476, Colour{50, 205, 50});
        p.text(3, 455, "Status line text WWWW", Colour{255, 255, 0});
    }
    bool onCommand(std::uint16_t id, Notification code) override {
        if (code == Notification::Clicked) {
            ++clicks;
            model->setChecked(id, !model->isChecked(id)); // the program toggles the box
        }
        return true;
    }
    void onClose() override {}
    void onMessage(const WindowMessage&) override {}
};

} // namespace

TEST(FltkWindowTest, OpensTheWindowAndPaintsTheStatusBand) {
    if (!std::getenv("DISPLAY"))
        GTEST_SKIP() << "no display";
    gf_windowQueue().clear();
    ControlModel model;
    auto backend = gf_makeFltkBackend(model);
    ASSERT_TRUE(backend);
    auto* fltk = static_cast<FltkWindow*>(backend.get());
    BandPainter handler;
    handler.model = &model;
    fltk->setHandler(&handler);

    ControlState box;
    box.id = 0x8003;
    box.kind = ControlKind::CheckBox;
    box.x = 748;
    box.y = 149;
    box.width = 12;
    box.height = 12;
    model.create(box);
    ControlState combo;
    combo.id = 0x8015;
    combo.kind = ControlKind::ComboBox;
    combo.x = 5;
    combo.y = 114;
    combo.width = 105;
    combo.height = 21;
    model.create(combo);
    model.setItems(0x8015, {"MSFS 2020", "MSFS 2024"});
    model.setSelection(0x8015, 1);

    ASSERT_TRUE(fltk->create("Skyfill", 100, 50, 880, 516));
    for (int i = 0; i < 10; ++i)
        fltk->step(0.02);
    ASSERT_TRUE(fltk->window());
    EXPECT_STREQ(fltk->window()->label(), "Skyfill");
    EXPECT_EQ(fltk->window()->w(), 880);
    EXPECT_EQ(fltk->window()->h(), 516);

    // The combo box shows the model's items and selection.
    auto* choice = dynamic_cast<Fl_Choice*>(fltk->widget(0x8015));
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->size() - 1, 2);
    EXPECT_EQ(choice->value(), 1);

    // Equal, empty and menu-like texts stay separate items, so a choice picks the model's item.
    const std::vector<std::string> callsigns = {"", "AFR12", "AFR12", "R&D/1", "KLM_9"};
    ControlState list = combo;
    list.id = 0x803F;
    list.x = 375;
    list.y = 254;
    list.width = 100;
    model.create(list);
    model.setItems(0x803F, callsigns);
    model.setSelection(0x803F, 2);
    fltk->step(0.02);
    auto* calls = dynamic_cast<Fl_Choice*>(fltk->widget(0x803F));
    ASSERT_TRUE(calls);
    ASSERT_EQ(calls->size() - 1, static_cast<int>(callsigns.size()));
    EXPECT_EQ(calls->value(), 2);
    EXPECT_STREQ(calls->menu()[3].label(), "R&&D/1");
    EXPECT_STREQ(calls->menu()[4].label(), "KLM_9");
    calls->value(3); // what FLTK does when the user picks the fourth item
    calls->do_callback();
    EXPECT_EQ(model.selection(0x803F), 3);
    EXPECT_EQ(model.selectedText(0x803F), "R&D/1");

    // A click: FLTK toggles the box, the backend undoes it, the program toggles it once.
    auto* check = dynamic_cast<Fl_Check_Button*>(fltk->widget(0x8003));
    ASSERT_TRUE(check);
    EXPECT_EQ(check->value(), 0);
    check->value(1); // what FLTK does on a click
    check->do_callback();
    EXPECT_EQ(handler.clicks, 1);
    fltk->step(0.02);
    EXPECT_TRUE(model.isChecked(0x8003));
    EXPECT_EQ(check->value(), 1);
    // A change by the program is shown and sends no command.
    model.setChecked(0x8003, false);
    fltk->step(0.02);
    EXPECT_EQ(check->value(), 0);
    EXPECT_EQ(handler.clicks, 1);

    // Screenshot of the client area.
    std::vector<std::uint8_t> rgb;
    int w = 0, h = 0;
    for (int i = 0; i < 5; ++i)
        fltk->step(0.02);
    ASSERT_TRUE(fltk->captureRgb(rgb, w, h));
    ASSERT_EQ(w, 880);
    ASSERT_EQ(h, 516);
    auto pixel = [&](int x, int y) {
        const std::size_t i =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)) * 3;
        return Colour{rgb[i], rgb[i + 1], rgb[i + 2]};
    };
    EXPECT_EQ(pixel(700, 470), (Colour{50, 205, 50}));
    int textPixels = 0;
    for (int y = 449; y < 476; ++y)
        for (int x = 0; x < 300; ++x)
            if (pixel(x, y).r > 150 && pixel(x, y).b < 100 && pixel(x, y).g > 150 &&
                !(pixel(x, y) == Colour{50, 205, 50}))
                ++textPixels;
    EXPECT_GT(textPixels, 50);

    fltk->quit(0);
    EXPECT_FALSE(fltk->step(0.01));
}
