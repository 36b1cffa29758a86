#include "shell/ShutdownSignals.h"

namespace tunewalk {

// Windows ends a program with WM_CLOSE / WM_QUERYENDSESSION, which Qt already turns into a close
// of the window; there are no signals to catch here.
ShutdownSignals::ShutdownSignals(QObject* parent) : QObject(parent) {}

ShutdownSignals::~ShutdownSignals() = default;

} // namespace tunewalk
