#pragma once

namespace tunewalk {

// Starts the machine's system-information tool in a window of its own; false when the machine
// has none.
bool startSystemInfo();

} // namespace tunewalk
