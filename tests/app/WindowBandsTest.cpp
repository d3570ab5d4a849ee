// The window repaints what other threads changed: a write to a display field, from whichever layer, leads
// to one repaint of the band that shows it, however many writes came before the window looked.
#include "WindowFixture.h"

#include <functional>

#include "core/settings/Parameters.h"
#include "feed/UdpReader.h"

namespace skf::test {
namespace {

class WindowBandsTest : public WindowFixture {};

TEST_F(WindowBandsTest, ADomainWriteRepaintsItsBandOnce) {
    open();
    QnhReader qnhReader;
    const struct {
        const char* what;
        std::function<void()> write;
        std::uint32_t band;
    } rows[] = {
        {"status line", [] { gf_setStatus("Loading airports"); }, BAND_STATUS},
        {"QNH from the feed", [&] { qnhReader.processQnh(R"({"QNH": 1020})"); }, BAND_INDICATORS},
        {"a setting shown in its control", [] { gf_showIntParameter(RANGE); }, BAND_MIDDLE},
    };
    for (const auto& row : rows) {
        m_window->paint();
        m_window->pump();
        ASSERT_EQ(m_window->invalidatedBands(), 0U) << row.what;
        for (int burst = 0; burst < 3; ++burst)
            row.write();
        EXPECT_EQ(m_window->invalidatedBands(), 0U) << row.what << ": the writer's thread repaints nothing";
        m_window->pump();
        EXPECT_EQ(m_window->invalidatedBands(), row.band) << row.what;
        m_window->paint();
        m_window->pump();
        EXPECT_EQ(m_window->invalidatedBands(), 0U) << row.what << ": repainted once";
    }
    EXPECT_EQ(g_mainWindow.qnh.load(), 1020);
    m_window->paint();
    EXPECT_TRUE(m_window->findText("Loading airports"));
}

} // namespace
} // namespace skf::test
