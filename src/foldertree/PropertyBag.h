#pragma once

#include <QString>
#include <QVariant>

namespace tunewalk {

// The host's design storage, as the control saves and restores its properties: a value equal
// to its default need not be stored, and a value that is missing reads as its default. An
// invalid QVariant stands for "none" (no picture, no node).
class PropertyBag {
public:
    virtual ~PropertyBag() = default;
    virtual void write(const QString& name, const QVariant& value,
                       const QVariant& defaultValue) = 0;
    virtual QVariant read(const QString& name, const QVariant& defaultValue) = 0;
};

} // namespace tunewalk
