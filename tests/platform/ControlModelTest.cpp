#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/ui/ControlModel.h"
#include "platform/ui/WindowMessages.h"

using namespace skf;

TEST(ControlModelTest, ControlsKeepTheirStateById) {
    ControlModel m;
    ControlState c;
    c.id = 0x8015;
    c.kind = ControlKind::ComboBox;
    c.x = 5;
    c.y = 114;
    EXPECT_TRUE(m.create(c));
    EXPECT_FALSE(m.create(c)); // id in use
    ControlState zero;
    EXPECT_FALSE(m.create(zero));
    EXPECT_TRUE(m.exists(0x8015));
    EXPECT_FALSE(m.exists(0x8016));
    EXPECT_FALSE(m.setChecked(0x8016, true));

    EXPECT_TRUE(m.setItems(0x8015, {"MSFS 2020", "MSFS 2024"}));
    EXPECT_EQ(m.addItem(0x8015, "other"), 2);
    EXPECT_EQ(m.selectPrefix(0x8015, "msfs 2024"), 1);
    EXPECT_EQ(m.selectedText(0x8015), "MSFS 2024");
    EXPECT_EQ(m.selectPrefix(0x8015, "none"), -1);
    EXPECT_EQ(m.selection(0x8015), 1); // left alone
    EXPECT_FALSE(m.setSelection(0x8015, 7));
    EXPECT_EQ(m.selection(0x8015), -1);
    EXPECT_TRUE(m.resetItems(0x8015));
    EXPECT_TRUE(m.items(0x8015).empty());

    EXPECT_TRUE(m.setEnabled(0x8015, false));
    EXPECT_FALSE(m.isEnabled(0x8015));
    EXPECT_EQ(m.ids(), std::vector<std::uint16_t>{0x8015});
}

TEST(ControlModelTest, ListenerHearsOnlyRealChanges) {
    ControlModel m;
    std::vector<std::uint16_t> heard;
    m.setChangeListener([&](std::uint16_t id) { heard.push_back(id); });
    ControlState c;
    c.id = 0x8003;
    c.kind = ControlKind::CheckBox;
    m.create(c);
    m.setChecked(0x8003, true);
    m.setChecked(0x8003, true);
    m.setText(0x8003, "");
    EXPECT_EQ(heard, (std::vector<std::uint16_t>{0x8003, 0x8003}));
}

TEST(ControlModelConcurrent, WritersAndReadersOnManyThreads) {
    ControlModel m;
    ControlState c;
    c.id = 1;
    c.kind = ControlKind::EditField;
    m.create(c);
    std::atomic<int> calls{0};
    m.setChangeListener([&](std::uint16_t) { ++calls; });
    std::thread w1([&] {
        for (int i = 0; i < 1000; ++i)
            m.setText(1, std::string(100, 'x'));
    });
    std::thread w2([&] {
        for (int i = 0; i < 1000; ++i)
            m.setText(1, std::string(100, 'y'));
    });
    std::thread r([&] {
        for (int i = 0; i < 1000; ++i) {
            auto t = m.text(1);
            EXPECT_TRUE(t.empty() || t == std::string(100, 'x') || t == std::string(100, 'y'));
        }
    });
    w1.join();
    w2.join();
    r.join();
    EXPECT_GT(calls.load(), 0);
}

TEST(WindowMessageQueueTest, RepaintsCoalesceOtherMessagesKeepOrder) {
    WindowMessageQueue q;
    q.post({WM_APP_START, 0, 0});
    q.post({WM_APP_INVALIDATE, BAND_PARK, 0});
    q.post({WM_APP_INVALIDATE, BAND_MIDDLE, 0});
    q.post({WM_APP_STATUS_PAINT, 0, 0});
    q.post({WM_APP_STATUS_PAINT, 0, 0});
    q.post({WM_APP_CLOSED, 3, 0});
    ASSERT_EQ(q.size(), 4U);
    EXPECT_EQ(q.tryPop()->message, WM_APP_START);
    auto inv = q.tryPop();
    EXPECT_EQ(inv->message, WM_APP_INVALIDATE);
    EXPECT_EQ(inv->wParam, BAND_PARK | BAND_MIDDLE);
    EXPECT_EQ(q.tryPop()->message, WM_APP_STATUS_PAINT);
    EXPECT_EQ(q.tryPop()->wParam, 3U);
    EXPECT_FALSE(q.tryPop());
    q.post({WM_APP_STATUS_PAINT, 0, 0});
    EXPECT_EQ(q.size(), 1U);
}
