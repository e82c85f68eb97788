// The maker's channel at every start: a notice shown when the update host has one, and an
// offer to update when the host names another version than the one this build checks for.
#pragma once

#include "platform/Ports.h"

#include <functional>
#include <string>

namespace quorvel::app {

// The text of one file of the update host: the body up to its first zero byte, as fetched; the
// empty text when the request brought nothing.
using FetchUpdateFile = std::function<std::string(const std::string& path)>;

struct UpdatePorts {
    platform::Dialogs& dialogs;
    platform::UrlOpener& urlOpener;
    platform::ProcessExit& processExit;
    FetchUpdateFile fetch;
};

// The production fetch: HttpFetch of the update host's file with only the url set.
FetchUpdateFile HttpUpdateFetch();

// The notice box "软件通知" when tip.txt is not empty (blanks count as text).
void ShowStartupNotice(const UpdatePorts& ports);

// Fetches the version, the notes and the address, always all three. Offers the update only when
// a version was fetched and it differs from the checked one; OK opens the address and ends the
// process with exit code 0, Cancel shows the warning and returns.
void CheckForUpdate(const UpdatePorts& ports);

} // namespace quorvel::app
