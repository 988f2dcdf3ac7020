#include "Trace.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace pg {

void DebugMsg(const std::string& line) {
    static const char* target = std::getenv("PAGELLAN_TRACE");
    if (!target || !*target)
        return;
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    FILE* f = std::fopen(target, "ab");
    if (!f)
        return;
    std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    char stamp[32] = {};
    std::tm tm{};
    localtime_r(&now, &tm);
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &tm);
    std::fprintf(f, "%s %s\n", stamp, line.c_str());
    std::fclose(f);
}

} // namespace pg
