// What runs once when the window has been created, in this order: the maker's page, the notice,
// the update check, the order-page patterns, the caption, the login page, the row colouring of
// both lists, the card entry's hint, the delivered grid's header and the IM client's location.
// Two steps may end the process: an accepted update and a missing IM client.
//
// UI thread only.
#pragma once

#include "app/UpdateCheck.h"
#include "platform/Ports.h"

#include <QString>

namespace quorvel::catalogue {
class Catalogue;
}

namespace quorvel::app {

struct AppContext;
class MainWindow;

struct StartupPorts {
    platform::Dialogs& dialogs;
    platform::UrlOpener& urlOpener;
    platform::ProcessExit& processExit;
    FetchUpdateFile fetch;
    platform::Registry& registry;
    platform::FileProbe& fileProbe;
};

// The caption with every "{版本号}" replaced by the version text.
QString CaptionWithVersion(const QString& caption);

void RunStartupSequence(MainWindow& window, AppContext& context, catalogue::Catalogue& catalogue,
                        const StartupPorts& ports);

} // namespace quorvel::app
