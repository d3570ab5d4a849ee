// Parameter records: construction of the choice records, their window controls (through the control-state
// model) and the values derived from MAX_FIT and RANGE.

#include "core/settings/Parameters.h"

#include <cmath>

#include <fmt/format.h>

#include "core/Log.h"
#include "core/settings/Catalogue.h"
#include "platform/ui/ControlModel.h"
#include "core/WindowFields.h"

namespace skf {

namespace {

ControlState lf_state(std::uint16_t id, ControlKind kind, int x, int y, int width, int height) {
    ControlState s;
    s.id = id;
    s.kind = kind;
    s.x = x;
    s.y = y;
    s.width = width;
    s.height = height;
    return s;
}

template <class T>
std::optional<std::size_t> lf_indexOf(const std::vector<T>& choices, const T& v) {
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i] == v)
            return i;
    return std::nullopt;
}

// Fills a choice record's combo box with its choices as write() puts them; false when the box does not exist.
template <class T, class Write>
bool lf_setChoiceItems(std::uint16_t controlId, const std::vector<T>& choices, Write write) {
    ControlModel& model = gf_controls();
    if (!model.exists(controlId))
        return false;
    std::vector<std::string> items;
    items.reserve(choices.size());
    for (const T c : choices)
        items.push_back(write(c));
    model.setItems(controlId, items);
    return true;
}

// Selects the choice at index; none leaves the selection as it is.
void lf_selectChoice(std::uint16_t controlId, std::optional<std::size_t> index) {
    if (index)
        gf_controls().setSelection(controlId, static_cast<int>(*index));
}

} // namespace

// ---- ParameterControl

bool ParameterControl::hasControl() const {
    return gf_controls().exists(controlId);
}

void ParameterControl::createEdit(int x, int width) const {
    ControlState s = lf_state(controlId, ControlKind::EditField, x, row, width, 16);
    s.enabled = false;
    gf_controls().create(s);
}

void ParameterControl::createCombo(int x, int width, int dropHeight) const {
    ControlState s = lf_state(controlId, ControlKind::ComboBox, x, row - 5, width, 21);
    s.dropHeight = dropHeight;
    gf_controls().create(s);
}

void ParameterControl::enable(bool on) const {
    gf_controls().setEnabled(controlId, on);
}

bool ParameterControl::isEnabled() const {
    return gf_controls().isEnabled(controlId);
}

void CheckBoxParameter::create(int x) const {
    ControlState s = lf_state(controlId, ControlKind::CheckBox, x, row + 2, 12, 12);
    s.checked = value();
    s.enabled = true;
    gf_controls().create(s);
}

void CheckBoxParameter::showCheck() const {
    gf_controls().setChecked(controlId, value());
}

void CommandButton::create(int x, int width) const {
    ControlState s = lf_state(controlId, ControlKind::Button, x, row, width, 20);
    s.text = key;
    s.enabled = false;
    gf_controls().create(s);
}

// ---- Choice records

IntChoiceParameter::IntChoiceParameter(std::string key, std::int32_t def, const std::vector<std::int32_t>& choiceList,
                                       std::uint16_t id, std::int32_t row)
    : IntParameter(std::move(key), def, choiceList.front(), choiceList.back()), ParameterControl(id, row),
      choices(choiceList) {}

std::optional<std::size_t> IntChoiceParameter::indexOf(std::int32_t v) const {
    return lf_indexOf(choices, v);
}

void IntChoiceParameter::fillCombo() const {
    if (lf_setChoiceItems(controlId, choices, [](std::int32_t c) { return fmt::format("{}", c); }))
        selectCurrent();
}

void IntChoiceParameter::selectCurrent() const {
    lf_selectChoice(controlId, indexOf(value()));
}

FloatChoiceParameter::FloatChoiceParameter(std::string key, float def, const std::vector<float>& choiceList,
                                           std::uint16_t id, std::int32_t row)
    : FloatParameter(std::move(key), def, choiceList.front(), choiceList.back()), ParameterControl(id, row),
      choices(choiceList) {}

std::optional<std::size_t> FloatChoiceParameter::indexOf(float v) const {
    return lf_indexOf(choices, v);
}

void FloatChoiceParameter::fillCombo() const {
    if (lf_setChoiceItems(controlId, choices, [](float c) { return fmt::format("{:.1f}", c); }))
        selectCurrent();
}

void FloatChoiceParameter::selectCurrent() const {
    lf_selectChoice(controlId, indexOf(value()));
}

std::optional<std::size_t> ComboParameter::indexOfCurrent() const {
    return lf_indexOf(choices, value());
}

void ComboParameter::fillCombo() const {
    ControlModel& model = gf_controls();
    if (!model.exists(controlId))
        return;
    model.setItems(controlId, choices);
    // The entry equal to current, not the first one that merely begins with it
    // ("AIG, FSLTL" must not select "AIG, FSLTL, JF, MTL").
    if (auto i = indexOfCurrent())
        model.setSelection(controlId, static_cast<int>(*i));
}

void gf_fillCallsignCombo() {
    ControlModel& model = gf_controls();
    const std::uint16_t id = CALLSIGN_2_OBJECTID.controlId;
    if (!model.exists(id))
        return;
    const std::vector<std::string> entries = CALLSIGN_2_OBJECTID.entries.entries();
    model.setItems(id, entries);
    if (auto i = lf_indexOf(entries, CALLSIGN_2_OBJECTID.value()))
        model.setSelection(id, static_cast<int>(*i));
}

// ---- Showing a value in its control

namespace {

void lf_showText(std::uint16_t id, const std::string& text) {
    ControlModel& model = gf_controls();
    const auto state = model.get(id);
    if (!state) {
        gf_log(fmt::format("GetDlgItem failed for ID {}", id));
        return;
    }
    if (state->kind == ControlKind::ComboBox) {
        // A drop-down list shows only its entries: select the entry equal to the text, else keep the selection.
        const auto& items = state->items;
        if (auto i = lf_indexOf(items, text))
            model.setSelection(id, static_cast<int>(*i));
    } else {
        model.setText(id, text);
    }
    gf_markChanged(BAND_MIDDLE);
}

} // namespace

void gf_showIntParameter(const IntChoiceParameter& record) {
    lf_showText(record.controlId, fmt::format("{}", record.value()));
}

void gf_showStringParameter(const EditParameter& record) {
    lf_showText(record.controlId, record.value());
}

// ---- Derived values

float gf_maxFitLevel(std::int32_t index) {
    if (index >= 44)
        return 24.0f;
    if (index >= 38)
        return 21.0f;
    if (index >= 32)
        return 18.0f;
    if (index >= 26)
        return 15.0f;
    if (index >= 22)
        return 12.0f;
    if (index >= 20)
        return 11.0f;
    if (index >= 18)
        return 10.0f;
    if (index >= 16)
        return 9.0f;
    if (index >= 14)
        return 8.0f;
    if (index >= 12)
        return 7.0f;
    if (index >= 10)
        return 6.0f;
    switch (index) {
    case 9:
        return 5.0f;
    case 8:
        return 4.5f;
    case 7:
        return 4.0f;
    case 6:
        return 3.5f;
    case 5:
        return 3.0f;
    case 4:
        return 2.5f;
    case 3:
        return 2.0f;
    case 2:
        return 1.5f;
    case 1:
        return 1.0f;
    default:
        return 0.5f;
    }
}

void gf_selectMaxFitChoice() {
    MAX_FIT_FL.set(gf_maxFitLevel(MAX_FIT.value()));
    MAX_FIT_FL.selectCurrent();
}

std::int32_t gf_maxFitFromHours(float hours) {
    const double twice = std::round(2.0 * static_cast<double>(hours)); // half away from zero
    double v = twice - 1.0;
    if (v < 0.0)
        v = 0.0;
    if (v > 47.0)
        v = 47.0;
    return static_cast<std::int32_t>(v);
}

void gf_setRange(std::int32_t nm) {
    RANGE.set(RANGE.clamp(nm));
    RANGE.selectCurrent();
    const std::int32_t r = RANGE.value();
    g_rangeNm.store(static_cast<double>(r));
    g_rangeMeters.store(r * 1852);
}

void gf_restoreGlobalParameters() {
    const SavedAirportParameters saved = g_savedAirportParameters;

    MAX_LIVE_SEL.set(MAX_LIVE_SEL.clamp(saved.maxLiveSel));
    MAX_LIVE_SEL.store();
    MAX_LIVE_SEL.selectCurrent();

    MAX_FIT.set(MAX_FIT.clamp(saved.maxFit));
    MAX_FIT.store();
    gf_selectMaxFitChoice();

    RANGE.set(RANGE.clamp(saved.range));
    RANGE.store();
    gf_setRange(saved.range);

    parking_percentage.set(parking_percentage.clamp(saved.parkingPercentage));
    parking_percentage.store();
    parking_percentage.selectCurrent();

    AUTO_RANGE.set(saved.autoRange);
    AUTO_RANGE.store();
    AUTO_RANGE.showCheck();
    RANGE.enable(!AUTO_RANGE.value());
    AR_ABOVE_HEIGHT.enable(AUTO_RANGE.value());

    for (CheckBoxParameter* p : {&INITIAL_LOAD_ONLY, &PARK_SOFT, &WEEK}) {
        const bool v = p == &INITIAL_LOAD_ONLY ? saved.initialLoadOnly : p == &PARK_SOFT ? saved.parkSoft : saved.week;
        p->set(v);
        p->store();
        p->showCheck();
    }
}

} // namespace skf
