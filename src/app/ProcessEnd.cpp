#include "app/ProcessEnd.h"

#include "app/DeliveryPanel.h"

#include <cstdio>
#include <cstdlib>

namespace quorvel::app {

int EndOfEventLoop(int exitCode, const DeliveryPanel& panel) {
    if (panel.passRunning()) {
        std::fflush(nullptr);
        std::_Exit(exitCode);
    }
    return exitCode;
}

} // namespace quorvel::app
