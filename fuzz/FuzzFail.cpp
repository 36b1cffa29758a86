#include "FuzzFail.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string_view>

namespace tunewalk::fuzz {
namespace {

std::set<std::string, std::less<>> skippedChecks() {
    std::set<std::string, std::less<>> names;
    const char* env = std::getenv("TUNEWALK_FUZZ_SKIP");
    std::string_view list = env ? env : "";
    while (!list.empty()) {
        const auto comma = list.find(',');
        if (comma != 0) names.emplace(list.substr(0, comma));
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return names;
}

} // namespace

void fail(const char* check, const std::string& detail) {
    static const auto skipped = skippedChecks();
    static std::set<std::string, std::less<>> reported;
    if (skipped.find(std::string_view(check)) != skipped.end()) {
        // Known and waiting for a fix: say so once, then stay quiet.
        if (reported.emplace(check).second)
            std::fprintf(stderr, "invariant broken (skipped from now on): %s: %s\n", check,
                         detail.c_str());
        return;
    }
    std::fprintf(stderr, "invariant broken: %s: %s\n", check, detail.c_str());
    std::fflush(stderr);
    __builtin_trap();
}

} // namespace tunewalk::fuzz
