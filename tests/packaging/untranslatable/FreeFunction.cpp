// Not built: the sources the translation check must refuse, a text outside any class.
#include <QObject>

QString greeting() {
    return QObject::tr("A text no class owns");
}
