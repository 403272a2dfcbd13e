#include "quiet_message.h"

#include "interface/platform.h"

namespace tovra_bench {

namespace {
long gCount = 0;
std::string &Last() {
    static std::string last;
    return last;
}
}  // namespace

long MessageCount() { return gCount; }
const std::string &LastMessage() { return Last(); }

}  // namespace tovra_bench

namespace tovra {

void ShowMessage(const char *text) {
    ++tovra_bench::gCount;
    tovra_bench::Last() = text;
}

}  // namespace tovra
