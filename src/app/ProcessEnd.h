// What happens once the event loop has ended (the window was closed).
#pragma once

namespace quorvel::app {

class DeliveryPanel;

// Returns the exit code when no delivery pass is running. With a pass still running the process
// ends here at once with that code, without destructors or exit handlers: the worker still uses
// the tables, the patterns and the notifier and may sit in a request until its time-out, and
// every table change it made is already a committed transaction.
int EndOfEventLoop(int exitCode, const DeliveryPanel& panel);

} // namespace quorvel::app
