#include "data/StringPool.h"

#include "core/Log.h"

#include <fmt/format.h>
#include <mutex>

namespace skf {

StringPool g_operatorPool;
StringPool g_modelPool;

StringPool::StringPool() {
    m_texts.emplace_back();
    m_ids.emplace(std::string(), std::uint16_t{0});
}

std::uint16_t StringPool::intern(std::string_view code) {
    {
        std::shared_lock lock(m_mutex);
        if (auto it = m_ids.find(code); it != m_ids.end())
            return it->second;
    }
    std::unique_lock lock(m_mutex);
    if (auto it = m_ids.find(code); it != m_ids.end())
        return it->second; // interned by another thread meanwhile
    if (m_texts.size() >= kMaxCodes) {
        const bool first = !m_overflowLogged;
        m_overflowLogged = true;
        lock.unlock();
        if (first)
            gf_logError(fmt::format("code pool full, '{}' and later new codes read as empty", code));
        return 0;
    }
    const auto id = static_cast<std::uint16_t>(m_texts.size());
    m_texts.emplace_back(code);
    m_ids.emplace(m_texts.back(), id);
    return id;
}

std::optional<std::uint16_t> StringPool::find(std::string_view code) const {
    std::shared_lock lock(m_mutex);
    if (auto it = m_ids.find(code); it != m_ids.end())
        return it->second;
    return std::nullopt;
}

std::string_view StringPool::name(std::uint16_t id) const {
    std::shared_lock lock(m_mutex);
    if (id >= m_texts.size())
        return {};
    return m_texts[id];
}

std::size_t StringPool::size() const {
    std::shared_lock lock(m_mutex);
    return m_texts.size();
}

void StringPool::clear() {
    std::unique_lock lock(m_mutex);
    m_texts.clear();
    m_ids.clear();
    m_texts.emplace_back();
    m_ids.emplace(std::string(), std::uint16_t{0});
    m_overflowLogged = false;
}

std::uint16_t gf_internOperator(std::string_view code) {
    return g_operatorPool.intern(code);
}
std::uint16_t gf_internModel(std::string_view code) {
    return g_modelPool.intern(code);
}
std::string_view gf_operatorName(std::uint16_t id) {
    return g_operatorPool.name(id);
}
std::string_view gf_modelName(std::uint16_t id) {
    return g_modelPool.name(id);
}

std::string gf_airlineTypeLabel(std::uint16_t airlineId, std::uint16_t modelId) {
    return fmt::format("{:3} {:4}", gf_operatorName(airlineId), gf_modelName(modelId));
}

} // namespace skf
