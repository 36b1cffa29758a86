#pragma once

#include "foldertree/PropertyBag.h"

#include <QVariantMap>

namespace tunewalk {

// A property bag held in memory, e.g. to carry a design from one control to another or to keep
// it in a settings value.
class MemoryPropertyBag : public PropertyBag {
public:
    void write(const QString& name, const QVariant& value, const QVariant& defaultValue) override;
    QVariant read(const QString& name, const QVariant& defaultValue) override;

    // What is stored: only the values that differ from their defaults.
    const QVariantMap& values() const { return m_values; }

private:
    QVariantMap m_values;
};

} // namespace tunewalk
