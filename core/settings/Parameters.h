#pragma once
// Parameter records: one global record per setting, with key, default, limits, current value and,
// when the main window shows it, the binding to one window control (control id and row).
//
// Threads: the window thread changes settings from user commands, the start-up thread (which also runs
// the traffic engine) loads, applies and restores them, and every other thread reads them. Scalar values
// are atomics; text values are copied in and out under a small per-record lock (LockedText). No caller
// ever holds a reference into a record's text.
//
// Controls live in the thread-safe control-state model of the window layer, keyed by control id; every
// control operation below updates that model at once and never waits for the window thread.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/WindowFields.h"

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

namespace skf {

// A text value shared between threads: every read is a copy, every write a replacement, both under a
// small mutex of its own.
class LockedText {
public:
    explicit LockedText(std::string text = {}) : m_text(std::move(text)) {}
    LockedText(const LockedText&) = delete;
    LockedText& operator=(const LockedText&) = delete;

    std::string load() const {
        std::lock_guard lock(m_mutex);
        return m_text;
    }
    void store(std::string text) {
        std::lock_guard lock(m_mutex);
        m_text = std::move(text);
    }
    operator std::string() const { return load(); }
    LockedText& operator=(std::string text) {
        store(std::move(text));
        return *this;
    }
    bool operator==(std::string_view other) const {
        std::lock_guard lock(m_mutex);
        return m_text == other;
    }
    bool empty() const {
        std::lock_guard lock(m_mutex);
        return m_text.empty();
    }

private:
    mutable std::mutex m_mutex;
    std::string m_text;
};

// The storage of a value of type T inside a record: an atomic for scalars, a LockedText for text.
template <class T>
struct ValueCell {
    using type = std::atomic<T>;
};
template <>
struct ValueCell<std::string> {
    using type = LockedText;
};

// Base of every record. The only virtual operation of the family is the destructor.
class Parameter {
public:
    explicit Parameter(std::string key) : key(std::move(key)) {}
    Parameter(const Parameter&) = delete;
    Parameter& operator=(const Parameter&) = delete;
    virtual ~Parameter() = default;

    // The name of the entry in parameters.xml; for a CommandButton the button's label.
    const std::string key;
};

// A record with default, minimum, maximum and current value of type T.
template <class T>
class ValueParameter : public Parameter {
public:
    ValueParameter(std::string key, T def, T min, T max)
        : Parameter(std::move(key)), defaultValue(def), minValue(min), maxValue(std::move(max)), current(def) {}

    typename ValueCell<T>::type defaultValue;
    const T minValue;
    const T maxValue;
    typename ValueCell<T>::type current;

    T value() const { return current.load(); }
    T defaultVal() const { return defaultValue.load(); }
    void set(T v) { current.store(std::move(v)); }

    // Brings v into the record's range: above max gives max, below min gives min, else v.
    T clamp(T v) const {
        if (v > maxValue)
            return maxValue;
        if (v < minValue)
            return minValue;
        return v;
    }
};

class BoolParameter : public ValueParameter<bool> {
public:
    BoolParameter(std::string key, bool def) : ValueParameter(std::move(key), def, def, def) {}

    // parameters.xml (see SettingsFile.h)
    bool read(const pugi::xml_node& document);
    bool write(pugi::xml_node& parameters, bool writeDefaults) const;
    void store() const;
    void logValue() const;
};

class IntParameter : public ValueParameter<std::int32_t> {
public:
    IntParameter(std::string key, std::int32_t def, std::int32_t min, std::int32_t max)
        : ValueParameter(std::move(key), def, min, max) {}

    bool write(pugi::xml_node& parameters, bool writeDefaults) const;
    void store() const;
    void logValue() const;
};

class FloatParameter : public ValueParameter<float> {
public:
    FloatParameter(std::string key, float def, float min, float max) : ValueParameter(std::move(key), def, min, max) {}
};

class StringParameter : public ValueParameter<std::string> {
public:
    StringParameter(std::string key, std::string def) : ValueParameter(std::move(key), def, def, def) {}

    bool read(const pugi::xml_node& document);
    bool write(pugi::xml_node& parameters, bool writeDefaults) const;
    void store() const;
    void logValue() const;
    // current = text, then store.
    void setValue(std::string text);
};

// The binding of a record to its window control (always the second base of a record class).
class ParameterControl {
public:
    ParameterControl(std::uint16_t controlId, std::int32_t row) : controlId(controlId), row(row) {}

    const std::uint16_t controlId; // child id and command id, 0x8003 to 0x8059
    const std::int32_t row;        // pixel y of the control's row in the main window's client area

    // True once the control exists in the control-state model.
    bool hasControl() const;
    // Edit field: empty text, at (x, row), the given width, height 16; created disabled.
    void createEdit(int x, int width) const;
    // Combo box (drop-down list): at (x, row - 5), width, drop-down height; created empty and enabled.
    void createCombo(int x, int width, int dropHeight) const;
    void enable(bool on = true) const;
    void disable() const { enable(false); }
    bool isEnabled() const;
};

class CheckBoxParameter : public BoolParameter, public ParameterControl {
public:
    CheckBoxParameter(std::string key, bool def, std::uint16_t id, std::int32_t row)
        : BoolParameter(std::move(key), def), ParameterControl(id, row) {}

    // Check box without text at (x, row + 2), 12 x 12, checked when current is true; enabled.
    void create(int x) const;
    // Sets the check mark from current.
    void showCheck() const;
};

class IntChoiceParameter : public IntParameter, public ParameterControl {
public:
    // choices: ascending; min is the first, max the last.
    IntChoiceParameter(std::string key, std::int32_t def, const std::vector<std::int32_t>& choiceList, std::uint16_t id,
                       std::int32_t row);
    const std::vector<std::int32_t> choices;

    std::optional<std::size_t> indexOf(std::int32_t v) const;
    // Fills the combo box with the choices in decimal and selects current when it is a choice.
    void fillCombo() const;
    // Selects current in the combo box when it is a choice; otherwise the selection stays.
    void selectCurrent() const;
};

class FloatChoiceParameter : public FloatParameter, public ParameterControl {
public:
    FloatChoiceParameter(std::string key, float def, const std::vector<float>& choiceList, std::uint16_t id,
                         std::int32_t row);
    const std::vector<float> choices;

    std::optional<std::size_t> indexOf(float v) const;
    // Fills the combo box with the choices written "{:.1f}" and selects current when it is a choice.
    void fillCombo() const;
    void selectCurrent() const;
};

class EditParameter : public StringParameter, public ParameterControl {
public:
    EditParameter(std::string key, std::string def, std::uint16_t id, std::int32_t row)
        : StringParameter(std::move(key), std::move(def)), ParameterControl(id, row) {}
};

class ComboParameter : public EditParameter {
public:
    ComboParameter(std::string key, std::string def, const std::vector<std::string>& choiceList, std::uint16_t id,
                   std::int32_t row)
        : EditParameter(std::move(key), std::move(def), id, row), choices(choiceList) {}
    const std::vector<std::string> choices;

    // The index of the first choice equal to current, or none.
    std::optional<std::size_t> indexOfCurrent() const;
    // Fills the combo box with the choices and selects the choice equal to current (exactly; no prefix match).
    void fillCombo() const;
};

// The record of a combo box whose entries are a list shared with other code (the live callsign list).
class SharedListParameter : public EditParameter {
public:
    SharedListParameter(std::string key, CallsignList& list, std::uint16_t id, std::int32_t row)
        : EditParameter(std::move(key), std::string(), id, row), entries(list) {}
    CallsignList& entries;
};

class CommandButton : public Parameter, public ParameterControl {
public:
    CommandButton(std::string label, std::uint16_t id, std::int32_t row)
        : Parameter(std::move(label)), ParameterControl(id, row) {}
    // Push button with the label as text at (x, row), width x 20; created disabled.
    void create(int x, int width) const;
};

// Writes a record's current value into its control as text (decimal for an int).
void gf_showIntParameter(const IntChoiceParameter& record);
void gf_showStringParameter(const EditParameter& record);

// Refills the CALLSIGN_2_OBJECTID combo box from the shared list and selects the setting's current value.
void gf_fillCallsignCombo();

// MAX_FIT (half-hour count) as hours.
float gf_maxFitLevel(std::int32_t index);
// MAX_FIT_FL = hours of MAX_FIT; selected in its combo box when it is a choice.
void gf_selectMaxFitChoice();
// MAX_FIT from hours picked in MAX_FIT_FL: round(2h) - 1 clamped into 0..47.
std::int32_t gf_maxFitFromHours(float hours);
// RANGE = nm clamped into 2..100; selected when a choice; refreshes g_rangeNm and g_rangeMeters. Not stored.
void gf_setRange(std::int32_t nm);
// Puts back the eight per-airport settings saved in g_savedAirportParameters and stores each.
void gf_restoreGlobalParameters();

} // namespace skf
