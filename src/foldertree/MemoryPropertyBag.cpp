#include "foldertree/MemoryPropertyBag.h"

namespace tunewalk {

void MemoryPropertyBag::write(const QString& name, const QVariant& value,
                              const QVariant& defaultValue) {
    if (value == defaultValue)
        m_values.remove(name);
    else
        m_values.insert(name, value);
}

QVariant MemoryPropertyBag::read(const QString& name, const QVariant& defaultValue) {
    return m_values.value(name, defaultValue);
}

} // namespace tunewalk
