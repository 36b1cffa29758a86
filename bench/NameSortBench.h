#pragma once

namespace tunewalk::bench {

// Prints how long 10,000 realistic names take to sort with the list's comparison and with
// QCollator (numeric mode, case ignored) in the C and the en_US locale.
void reportNameSort();

} // namespace tunewalk::bench
