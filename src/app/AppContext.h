// The process-wide state: created before the window, released when the process ends normally.
// (When a delivery pass is still running at exit the process ends without releasing it; see
// main.cpp.)
#pragma once

#include "data/SettingsStore.h"
#include "data/Tables.h"
#include "delivery/OrderListReader.h"
#include "ui/RowColouring.h"

#include <filesystem>
#include <memory>

namespace quorvel::app {

// data/ beside the executable; QUORVEL_DATA_DIR overrides it.
std::filesystem::path DataDirectory(const std::filesystem::path& executableDirectory);

struct AppContext {
    explicit AppContext(std::filesystem::path dataDirectory)
        : tables(std::move(dataDirectory)), settings(tables) {}

    data::Tables tables;
    data::SettingsStore settings;
    // Compiled by the start-up; read-only afterwards, shared with the delivery worker.
    std::unique_ptr<delivery::CompiledPatterns> patterns;
    ui::RowColouringRegistry colouring;
    // Set once when the lists were filled after the seller's login; UI thread only.
    bool loginListsLoaded = false;
};

} // namespace quorvel::app
