#include "HelpHook.h"

#include <utility>

namespace pg {

namespace {

THelpHook& Hook() {
    static THelpHook hook;
    return hook;
}

} // namespace

THelpHook SetHelpHook(THelpHook hook) {
    return std::exchange(Hook(), std::move(hook));
}

void PassKeyToHelp(int key, int context) {
    if (Hook())
        Hook()(key, context);
}

} // namespace pg
