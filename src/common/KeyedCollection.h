#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace tunewalk {

// An ordered collection of values, each under a unique text key. Items keep the order in which
// they were added; adding a key that is already there is refused and reported, never fatal.
// Keys are compared exactly.
template <typename T> class KeyedCollection {
public:
    using Entry = std::pair<std::string, T>;

    // Returns false, and leaves the collection as it was, when the key is already present.
    bool add(std::string key, T value) {
        if (m_index.contains(key)) return false;
        m_index.emplace(key, m_entries.size());
        m_entries.emplace_back(std::move(key), std::move(value));
        return true;
    }

    bool remove(const std::string& key) {
        auto it = m_index.find(key);
        if (it == m_index.end()) return false;
        const std::size_t at = it->second;
        m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(at));
        m_index.erase(it);
        for (auto& [k, pos] : m_index)
            if (pos > at) --pos;
        return true;
    }

    void clear() {
        m_entries.clear();
        m_index.clear();
    }

    bool contains(const std::string& key) const { return m_index.contains(key); }

    // nullptr when the key is absent.
    const T* find(const std::string& key) const {
        auto it = m_index.find(key);
        return it == m_index.end() ? nullptr : &m_entries[it->second].second;
    }
    T* find(const std::string& key) {
        auto it = m_index.find(key);
        return it == m_index.end() ? nullptr : &m_entries[it->second].second;
    }

    std::size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }

    // Position is 0-based in insertion order.
    const T& at(std::size_t position) const { return m_entries.at(position).second; }
    const std::string& keyAt(std::size_t position) const { return m_entries.at(position).first; }

    auto begin() const { return m_entries.begin(); }
    auto end() const { return m_entries.end(); }

private:
    std::vector<Entry> m_entries;
    std::unordered_map<std::string, std::size_t> m_index;
};

} // namespace tunewalk
