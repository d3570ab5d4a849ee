#pragma once
// A double-ended queue of small values in one ring of slots that keeps its storage: pushing and popping at
// either end allocates nothing once the ring has grown to the longest queue seen. std::deque frees a block
// whenever its front block empties and allocates one whenever its back block fills, which a queue that
// slides along (the engine's stream of timed positions: filed at the back, flown off the front every few
// steps) does all the time.
//
// Unlike std::deque, a push that outgrows the ring moves every value: references and iterators into the queue
// stay valid across pushes and pops only while its size stays within capacity(). A value pushed from the queue
// itself is copied before the ring grows. Popped slots are not cleared, so the values must be trivially
// destructible. No thread safety of its own.
#include <algorithm>
#include <compare>
#include <cstddef>
#include <iterator>
#include <type_traits>
#include <utility>
#include <vector>

namespace skf {

template <class T>
class RingQueue {
    static_assert(std::is_trivially_destructible_v<T>, "popped slots are left as they are");

    template <bool Const>
    class Iterator {
        using Queue = std::conditional_t<Const, const RingQueue, RingQueue>;

    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const T*, T*>;
        using reference = std::conditional_t<Const, const T&, T&>;

        Iterator() = default;
        Iterator(Queue* queue, difference_type index) : m_queue(queue), m_index(index) {}
        template <bool C = Const, class = std::enable_if_t<C>>
        Iterator(const Iterator<false>& other) : m_queue(other.m_queue), m_index(other.m_index) {}

        reference operator*() const { return (*m_queue)[static_cast<std::size_t>(m_index)]; }
        pointer operator->() const { return &**this; }
        reference operator[](difference_type n) const { return *(*this + n); }
        Iterator& operator++() { return *this += 1; }
        Iterator operator++(int) { return std::exchange(*this, *this + 1); }
        Iterator& operator--() { return *this -= 1; }
        Iterator operator--(int) { return std::exchange(*this, *this - 1); }
        Iterator& operator+=(difference_type n) {
            m_index += n;
            return *this;
        }
        Iterator& operator-=(difference_type n) { return *this += -n; }
        friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
        friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
        friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const Iterator& a, const Iterator& b) { return a.m_index - b.m_index; }
        friend bool operator==(const Iterator& a, const Iterator& b) { return a.m_index == b.m_index; }
        friend auto operator<=>(const Iterator& a, const Iterator& b) { return a.m_index <=> b.m_index; }

    private:
        friend class RingQueue;
        friend class Iterator<!Const>;
        Queue* m_queue = nullptr;
        difference_type m_index = 0; // from the front
    };

public:
    using value_type = T;
    using size_type = std::size_t;
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;

    [[nodiscard]] bool empty() const noexcept { return m_size == 0; }
    [[nodiscard]] size_type size() const noexcept { return m_size; }
    [[nodiscard]] size_type capacity() const noexcept { return m_slots.size(); }

    T& operator[](size_type i) noexcept { return m_slots[(m_head + i) & m_mask]; }
    const T& operator[](size_type i) const noexcept { return m_slots[(m_head + i) & m_mask]; }
    T& front() noexcept { return m_slots[m_head]; }
    const T& front() const noexcept { return m_slots[m_head]; }
    T& back() noexcept { return (*this)[m_size - 1]; }
    const T& back() const noexcept { return (*this)[m_size - 1]; }

    iterator begin() noexcept { return {this, 0}; }
    iterator end() noexcept { return {this, static_cast<std::ptrdiff_t>(m_size)}; }
    const_iterator begin() const noexcept { return {this, 0}; }
    const_iterator end() const noexcept { return {this, static_cast<std::ptrdiff_t>(m_size)}; }

    // By value: a value of the queue itself is copied before the ring grows.
    void push_back(T value) {
        if (m_size == m_slots.size())
            grow();
        (*this)[m_size++] = std::move(value);
    }
    void pop_front() noexcept {
        m_head = (m_head + 1) & m_mask;
        --m_size;
    }
    void pop_back() noexcept { --m_size; }
    void clear() noexcept { m_head = m_size = 0; }

    // Inserts before pos, moving the values behind it one slot back.
    iterator insert(const_iterator pos, T value) {
        const auto index = static_cast<size_type>(pos.m_index);
        push_back(std::move(value));
        for (size_type i = m_size - 1; i > index; --i)
            std::swap((*this)[i], (*this)[i - 1]);
        return {this, pos.m_index};
    }
    // Removes [first, last), moving the values behind it forward.
    iterator erase(const_iterator first, const_iterator last) {
        const auto from = static_cast<size_type>(first.m_index);
        const auto count = static_cast<size_type>(last.m_index - first.m_index);
        for (size_type i = from; i + count < m_size; ++i)
            (*this)[i] = std::move((*this)[i + count]);
        m_size -= count;
        return {this, first.m_index};
    }
    iterator erase(const_iterator pos) { return erase(pos, pos + 1); }

private:
    static constexpr size_type kFirstCapacity = 16; // a power of two, as every capacity after it

    void grow() {
        std::vector<T> slots(m_slots.empty() ? kFirstCapacity : 2 * m_slots.size());
        for (size_type i = 0; i < m_size; ++i)
            slots[i] = std::move((*this)[i]);
        m_slots = std::move(slots);
        m_mask = m_slots.size() - 1;
        m_head = 0;
    }

    std::vector<T> m_slots; // the ring: empty, or a power of two of slots
    size_type m_mask = 0;   // the slot count less one: an index modulo the slot count
    size_type m_head = 0;   // the slot of the front value
    size_type m_size = 0;
};

} // namespace skf
