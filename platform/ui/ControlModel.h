#pragma once
// The state of the main window's child controls, shared by every part of the program.
//
// Each control is known by its control id (the id the settings records carry). Any thread may read or
// change a control's state at once, without waiting for the window thread; the window backend (FLTK or
// headless) catches up on the window thread. A change made through this model never produces a command:
// commands come only from user input (see Window.h).
//
// "The control is a window" in the settings records' terms means exists(id) here.
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace skf {

enum class ControlKind { CheckBox, ComboBox, Button, EditField, Label };

struct ControlState {
    std::uint16_t id = 0;
    ControlKind kind = ControlKind::Label;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int dropHeight = 0; // combo boxes: height of the open list
    bool enabled = true;
    bool checked = false;           // check boxes
    std::string text;               // buttons and labels: caption; edit fields: contents
    std::vector<std::string> items; // combo boxes
    int selection = -1;             // combo boxes: selected index, -1 none
};

class ControlModel {
public:
    // Called (outside the model's lock) after every change, with the control id; 0 after clear().
    using ChangeListener = std::function<void(std::uint16_t id)>;

    // Adds a control. Returns false (and changes nothing) when the id is already in use or 0.
    bool create(const ControlState& state);
    bool exists(std::uint16_t id) const;
    std::optional<ControlState> get(std::uint16_t id) const;
    std::vector<std::uint16_t> ids() const; // in creation order
    void clear();

    // Every setter returns false when there is no such control.
    bool setEnabled(std::uint16_t id, bool enabled);
    bool isEnabled(std::uint16_t id) const;
    bool setChecked(std::uint16_t id, bool checked);
    bool isChecked(std::uint16_t id) const;
    bool setText(std::uint16_t id, const std::string& text);
    std::string text(std::uint16_t id) const;

    // Combo boxes.
    bool resetItems(std::uint16_t id);
    bool setItems(std::uint16_t id, const std::vector<std::string>& items);
    int addItem(std::uint16_t id, const std::string& item); // its index, or -1
    std::vector<std::string> items(std::uint16_t id) const;
    // Selects index (or -1 for none). An index outside the list selects nothing and returns false.
    bool setSelection(std::uint16_t id, int index);
    int selection(std::uint16_t id) const;
    // Selects the first item that begins with prefix (ASCII case ignored); returns its index, or -1 and
    // leaves the selection alone when none does.
    int selectPrefix(std::uint16_t id, const std::string& prefix);
    std::string selectedText(std::uint16_t id) const; // empty when nothing is selected

    // Monotonic change counter (for backends that poll).
    std::uint64_t version() const;
    void setChangeListener(ChangeListener listener);

private:
    template <class F>
    bool change(std::uint16_t id, F&& f);
    ControlState* find(std::uint16_t id);
    const ControlState* find(std::uint16_t id) const;

    mutable std::mutex m_mutex;
    std::vector<ControlState> m_controls;
    std::uint64_t m_version = 0;
    std::mutex m_listenerMutex;
    ChangeListener m_listener;
};

// The program's one model of the main window's controls.
ControlModel& gf_controls();

} // namespace skf
