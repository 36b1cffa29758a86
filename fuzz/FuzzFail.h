#pragma once

#include <string>

namespace tunewalk::fuzz {

// Reports a broken invariant on stderr and stops the process so that libFuzzer keeps the
// input. Checks named in TUNEWALK_FUZZ_SKIP (comma-separated) only report, which lets a run go
// on past a fault that is known and waiting for its fix.
void fail(const char* check, const std::string& detail);

} // namespace tunewalk::fuzz
