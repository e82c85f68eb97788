// Wires the window's controls to their behaviour: the catalogue pages, the delivery panel, the
// login flow of the browser and the keep-alive reload.
//
// UI thread only.
#pragma once

#include "delivery/DeliveryScheduler.h"

#include <QObject>

#include <memory>

namespace quorvel::catalogue {
class Catalogue;
}
namespace quorvel::platform {
class Dialogs;
}

namespace quorvel::app {

struct AppContext;
class DeliveryPanel;
class MainWindow;

class WindowShell : public QObject {
    Q_OBJECT
  public:
    // REQUIRES: window, context and dialogs outlive the shell.
    WindowShell(MainWindow& window, AppContext& context, platform::Dialogs& dialogs,
                delivery::DeliveryScheduler::Pass pass, QObject* parent = nullptr);
    ~WindowShell() override;

    catalogue::Catalogue& catalogue() { return *m_catalogue; }
    DeliveryPanel& deliveryPanel() { return *m_panel; }

    // After each completed navigation: uncovers page 0 once the address shows the seller.
    void OnBrowserNavigated(const QString& currentAddress);
    // Once only: renames page 0, enables page 1 and fills the three lists.
    void AfterLogin();
    void OnKeepAliveTimer();

  private:
    MainWindow& m_window;
    AppContext& m_context;
    catalogue::Catalogue* m_catalogue; // child of this
    DeliveryPanel* m_panel;            // child of this
};

} // namespace quorvel::app
