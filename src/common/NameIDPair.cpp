#include "NameIDPair.h"

namespace tunewalk {

void NameIDPair::Init(std::string name, std::int16_t id, std::string tag) {
    m_name = std::move(name);
    m_id = id;
    m_tag = std::move(tag);
}

} // namespace tunewalk
