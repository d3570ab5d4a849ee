#include "platform/ui/HeadlessWindow.h"

namespace skf {

namespace {

class DisplayListPainter : public Painter {
public:
    explicit DisplayListPainter(std::vector<DisplayItem>& out) : m_out(out) {}
    void fillRect(int x0, int y0, int x1, int y1, Colour colour) override {
        m_out.push_back(DisplayItem{DisplayItem::Kind::Rect, x0, y0, x1, y1, {}, m_font, colour});
    }
    void line(int x0, int y0, int x1, int y1, Colour colour) override {
        m_out.push_back(DisplayItem{DisplayItem::Kind::Line, x0, y0, x1, y1, {}, m_font, colour});
    }
    void text(int x, int y, const std::string& text, Colour colour) override {
        m_out.push_back(DisplayItem{DisplayItem::Kind::Text, x, y, m_clipRight, m_clipBottom, text, m_font, colour});
    }
    Font font() const override { return m_font; }
    int textWidth(const std::string& text) const override { return gf_headlessTextWidth(text); }
    void setClip(int, int, int x1, int y1) override {
        m_clipRight = x1;
        m_clipBottom = y1;
    }
    void clearClip() override {
        m_clipRight = kNoClip;
        m_clipBottom = kNoClip;
    }

private:
    static constexpr int kNoClip = 1 << 20;
    std::vector<DisplayItem>& m_out;
    Font m_font;
    int m_clipRight = kNoClip;
    int m_clipBottom = kNoClip;
};

} // namespace

int gf_headlessTextWidth(const std::string& text) {
    int characters = 0;
    for (const char c : text)
        characters += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0; // lead bytes only
    return characters * kHeadlessCharWidth;
}

HeadlessWindow::HeadlessWindow(ControlModel& controls) : m_controls(controls) {}

HeadlessWindow::~HeadlessWindow() {
    m_exists = false;
}

bool HeadlessWindow::create(const std::string& title, int x, int y, int width, int height) {
    m_title = title;
    m_x = x;
    m_y = y;
    m_width = width;
    m_height = height;
    m_invalid = BAND_ALL;
    m_exists = true;
    return true;
}

int HeadlessWindow::run() {
    gf_setWindowThread();
    gf_catchCloseSignals();
    bool closeSent = false;
    while (!m_quit) {
        if (auto msg = gf_windowQueue().waitPop(100))
            gf_dispatchWindowMessage(*this, m_handler, *msg);
        std::vector<std::function<void(HeadlessWindow&)>> inputs;
        {
            std::lock_guard lock(m_inputMutex);
            inputs.swap(m_inputs);
        }
        for (const auto& input : inputs)
            input(*this);
        if (gf_takeCloseSignal() && !closeSent) {
            closeSent = true;
            close();
        }
        if (m_handler)
            m_handler->onTick();
        if (m_invalid != 0)
            paint();
    }
    return m_quitCode;
}

void HeadlessWindow::quit(int code) {
    m_quitCode = code;
    m_quit = true;
    m_exists = false;
}

void HeadlessWindow::invalidate(std::uint32_t bands) {
    m_invalid |= bands;
}

bool HeadlessWindow::position(int& x, int& y) const {
    // The geometry it was given stays known after the window closed, as a real window's placement does.
    if (m_width == 0)
        return false;
    x = m_x;
    y = m_y;
    return true;
}

void HeadlessWindow::move(int x, int y) {
    m_x = x;
    m_y = y;
}

WorkArea HeadlessWindow::workArea(int, int, int, int) const {
    return m_workArea;
}

MessageBoxAnswer HeadlessWindow::messageBox(const std::string& text, const std::string& caption, MessageBoxIcon,
                                            MessageBoxButtons) {
    const std::string shown = caption + ": " + text;
    if (m_whileBox)
        m_whileBox(shown);
    std::lock_guard lock(m_boxMutex);
    m_boxes.push_back(shown);
    return m_answer;
}

std::vector<std::string> HeadlessWindow::messageBoxes() const {
    std::lock_guard lock(m_boxMutex);
    return m_boxes;
}

bool HeadlessWindow::captureRgb(std::vector<std::uint8_t>&, int&, int&) {
    return false;
}

bool HeadlessWindow::command(std::uint16_t id, Notification code) {
    if (!m_handler)
        return false;
    m_handler->onCommand(id, code);
    return true;
}

bool HeadlessWindow::click(std::uint16_t id) {
    auto c = m_controls.get(id);
    if (!c || !c->enabled)
        return false;
    if (c->kind != ControlKind::CheckBox && c->kind != ControlKind::Button)
        return false;
    return command(id, Notification::Clicked);
}

bool HeadlessWindow::choose(std::uint16_t id, int index) {
    auto c = m_controls.get(id);
    if (!c || !c->enabled || c->kind != ControlKind::ComboBox)
        return false;
    if (index < 0 || index >= static_cast<int>(c->items.size()))
        return false;
    m_controls.setSelection(id, index);
    return command(id, Notification::SelChange);
}

bool HeadlessWindow::chooseText(std::uint16_t id, const std::string& item) {
    auto c = m_controls.get(id);
    if (!c)
        return false;
    for (std::size_t i = 0; i < c->items.size(); ++i)
        if (c->items[i] == item)
            return choose(id, static_cast<int>(i));
    return false;
}

bool HeadlessWindow::openDropDown(std::uint16_t id) {
    auto c = m_controls.get(id);
    if (!c || !c->enabled || c->kind != ControlKind::ComboBox)
        return false;
    return command(id, Notification::DropDown);
}

bool HeadlessWindow::type(std::uint16_t id, const std::string& text) {
    auto c = m_controls.get(id);
    if (!c || !c->enabled || c->kind != ControlKind::EditField)
        return false;
    m_controls.setText(id, text);
    return true;
}

bool HeadlessWindow::pressEnter(std::uint16_t id) {
    auto c = m_controls.get(id);
    if (!c || !c->enabled || c->kind != ControlKind::EditField)
        return false;
    return command(id, Notification::EnterKey);
}

void HeadlessWindow::playAsUser(std::function<void(HeadlessWindow&)> input) {
    {
        std::lock_guard lock(m_inputMutex);
        m_inputs.push_back(std::move(input));
    }
    gf_windowQueue().post(WindowMessage{}); // wakes the loop; a message 0 is nothing to the window
}

void HeadlessWindow::close() {
    if (m_handler)
        m_handler->onClose();
}

int HeadlessWindow::pump() {
    gf_setWindowThread();
    int n = 0;
    while (auto msg = gf_windowQueue().tryPop()) {
        gf_dispatchWindowMessage(*this, m_handler, *msg);
        ++n;
    }
    if (m_handler)
        m_handler->onTick();
    return n;
}

const std::vector<DisplayItem>& HeadlessWindow::paint() {
    std::vector<DisplayItem> list;
    DisplayListPainter painter(list);
    if (m_handler)
        m_handler->onPaint(painter);
    m_display = std::move(list);
    m_invalid = 0;
    return m_display;
}

std::optional<DisplayItem> HeadlessWindow::findText(const std::string& text) const {
    for (const auto& item : m_display)
        if (item.kind == DisplayItem::Kind::Text && item.text == text)
            return item;
    return std::nullopt;
}

std::vector<DisplayItem> HeadlessWindow::textsAt(int x, int y) const {
    std::vector<DisplayItem> out;
    for (const auto& item : m_display)
        if (item.kind == DisplayItem::Kind::Text && item.x0 == x && item.y0 == y)
            out.push_back(item);
    return out;
}

std::unique_ptr<WindowBackend> gf_makeHeadlessBackend(ControlModel& controls) {
    return std::make_unique<HeadlessWindow>(controls);
}

} // namespace skf
