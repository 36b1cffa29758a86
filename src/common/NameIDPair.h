#pragma once

#include <cstdint>
#include <string>

namespace tunewalk {

// A display name with a small numeric id and a free text tag. The id can only be set through
// Init, so a pair handed out by a lookup list cannot be renumbered by its reader.
class NameIDPair {
public:
    NameIDPair() = default;

    void Init(std::string name, std::int16_t id, std::string tag = {});

    const std::string& Name() const { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }

    std::int16_t ID() const { return m_id; }

    const std::string& Tag() const { return m_tag; }
    void setTag(std::string tag) { m_tag = std::move(tag); }

    bool operator==(const NameIDPair&) const = default;

private:
    std::string m_name;
    std::int16_t m_id = 0;
    std::string m_tag;
};

} // namespace tunewalk
