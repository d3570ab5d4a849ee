#include "platform/ui/ControlModel.h"

#include <algorithm>
#include <cctype>

namespace skf {

ControlState* ControlModel::find(std::uint16_t id) {
    for (auto& c : m_controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

const ControlState* ControlModel::find(std::uint16_t id) const {
    for (const auto& c : m_controls)
        if (c.id == id)
            return &c;
    return nullptr;
}

template <class F>
bool ControlModel::change(std::uint16_t id, F&& f) {
    {
        std::lock_guard lock(m_mutex);
        ControlState* c = find(id);
        if (!c)
            return false;
        if (!f(*c))
            return true; // nothing changed
        ++m_version;
    }
    ChangeListener listener;
    {
        std::lock_guard lock(m_listenerMutex);
        listener = m_listener;
    }
    if (listener)
        listener(id);
    return true;
}

bool ControlModel::create(const ControlState& state) {
    if (state.id == 0)
        return false;
    {
        std::lock_guard lock(m_mutex);
        if (find(state.id))
            return false;
        m_controls.push_back(state);
        ++m_version;
    }
    ChangeListener listener;
    {
        std::lock_guard lock(m_listenerMutex);
        listener = m_listener;
    }
    if (listener)
        listener(state.id);
    return true;
}

bool ControlModel::exists(std::uint16_t id) const {
    std::lock_guard lock(m_mutex);
    return find(id) != nullptr;
}

std::optional<ControlState> ControlModel::get(std::uint16_t id) const {
    std::lock_guard lock(m_mutex);
    if (const ControlState* c = find(id))
        return *c;
    return std::nullopt;
}

std::vector<std::uint16_t> ControlModel::ids() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::uint16_t> out;
    out.reserve(m_controls.size());
    for (const auto& c : m_controls)
        out.push_back(c.id);
    return out;
}

void ControlModel::clear() {
    {
        std::lock_guard lock(m_mutex);
        m_controls.clear();
        ++m_version;
    }
    ChangeListener listener;
    {
        std::lock_guard lock(m_listenerMutex);
        listener = m_listener;
    }
    if (listener)
        listener(0);
}

bool ControlModel::setEnabled(std::uint16_t id, bool enabled) {
    return change(id, [&](ControlState& c) {
        if (c.enabled == enabled)
            return false;
        c.enabled = enabled;
        return true;
    });
}

bool ControlModel::isEnabled(std::uint16_t id) const {
    std::lock_guard lock(m_mutex);
    const ControlState* c = find(id);
    return c && c->enabled;
}

bool ControlModel::setChecked(std::uint16_t id, bool checked) {
    return change(id, [&](ControlState& c) {
        if (c.checked == checked)
            return false;
        c.checked = checked;
        return true;
    });
}

bool ControlModel::isChecked(std::uint16_t id) const {
    std::lock_guard lock(m_mutex);
    const ControlState* c = find(id);
    return c && c->checked;
}

bool ControlModel::setText(std::uint16_t id, const std::string& text) {
    return change(id, [&](ControlState& c) {
        if (c.text == text)
            return false;
        c.text = text;
        return true;
    });
}

std::string ControlModel::text(std::uint16_t id) const {
    std::lock_guard lock(m_mutex);
    const ControlState* c = find(id);
    return c ? c->text : std::string();
}

bool ControlModel::resetItems(std::uint16_t id) {
    return change(id, [&](ControlState& c) {
        c.items.clear();
        c.selection = -1;
        return true;
    });
}

bool ControlModel::setItems(std::uint16_t id, const std::vector<std::string>& items) {
    return change(id, [&](ControlState& c) {
        c.items = items;
        c.selection = -1;
        return true;
    });
}

int ControlModel::addItem(std::uint16_t id, const std::string& item) {
    int index = -1;
    change(id, [&](ControlState& c) {
        c.items.push_back(item);
        index = static_cast<int>(c.items.size()) - 1;
        return true;
    });
    return index;
}

std::vector<std::string> ControlModel::items(std::uint16_t id) const {
    std::lock_guard lock(m_mutex);
    const ControlState* c = find(id);
    return c ? c->items : std::vector<std::string>();
}

bool ControlModel::setSelection(std::uint16_t id, int index) {
    bool ok = false;
    bool known = change(id, [&](ControlState& c) {
        if (index < -1 || index >= static_cast<int>(c.items.size())) {
            c.selection = -1;
            return true;
        }
        ok = true;
        if (c.selection == index)
            return false;
        c.selection = index;
        return true;
    });
    return known && ok;
}

int ControlModel::selection(std::uint16_t id) const {
    std::lock_guard lock(m_mutex);
    const ControlState* c = find(id);
    return c ? c->selection : -1;
}

namespace {
bool lf_startsWithNoCase(const std::string& s, const std::string& prefix) {
    if (prefix.size() > s.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const auto a = static_cast<unsigned char>(s[i]);
        const auto b = static_cast<unsigned char>(prefix[i]);
        if (std::tolower(a) != std::tolower(b))
            return false;
    }
    return true;
}
} // namespace

int ControlModel::selectPrefix(std::uint16_t id, const std::string& prefix) {
    int found = -1;
    change(id, [&](ControlState& c) {
        for (std::size_t i = 0; i < c.items.size(); ++i) {
            if (lf_startsWithNoCase(c.items[i], prefix)) {
                found = static_cast<int>(i);
                break;
            }
        }
        if (found < 0 || c.selection == found)
            return false;
        c.selection = found;
        return true;
    });
    return found;
}

std::string ControlModel::selectedText(std::uint16_t id) const {
    std::lock_guard lock(m_mutex);
    const ControlState* c = find(id);
    if (!c || c->selection < 0 || c->selection >= static_cast<int>(c->items.size()))
        return {};
    return c->items[static_cast<std::size_t>(c->selection)];
}

std::uint64_t ControlModel::version() const {
    std::lock_guard lock(m_mutex);
    return m_version;
}

void ControlModel::setChangeListener(ChangeListener listener) {
    std::lock_guard lock(m_listenerMutex);
    m_listener = std::move(listener);
}

ControlModel& gf_controls() {
    static ControlModel model;
    return model;
}

} // namespace skf
