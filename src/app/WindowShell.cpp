#include "app/WindowShell.h"

#include "app/AppContext.h"
#include "app/DeliveryPanel.h"
#include "app/MainWindow.h"
#include "app/TabControl.h"
#include "catalogue/Catalogue.h"
#include "text/Texts.h"
#include "ui/QtText.h"
#include "web/browser/LoginBrowser.h"

#include <QTimer>

namespace quorvel::app {

WindowShell::WindowShell(MainWindow& window, AppContext& context, platform::Dialogs& dialogs,
                         delivery::DeliveryScheduler::Pass pass, QObject* parent)
    : QObject(parent), m_window(window), m_context(context) {
    const FormControls& c = window.controls();
    m_catalogue = new catalogue::Catalogue(c.catalogue, context.tables, dialogs, this);
    m_catalogue->ShowNameHint();

    DeliveryPanelWidgets panel;
    panel.window = &window;
    panel.autoDelivery = c.autoDeliveryCheck;
    panel.interval = c.intervalEdit;
    panel.status = c.deliveryStatus;
    panel.apply = c.applyButton;
    panel.timer = c.deliveryTimer;
    m_panel = new DeliveryPanel(
        panel, std::move(pass), [this] { m_catalogue->RefreshLists(); }, this);

    connect(c.browser, &web::LoginBrowser::navigated, this, &WindowShell::OnBrowserNavigated);
    connect(c.keepAliveTimer, &QTimer::timeout, this, &WindowShell::OnKeepAliveTimer);
}

WindowShell::~WindowShell() = default;

void WindowShell::OnBrowserNavigated(const QString& currentAddress) {
    if (!web::ShowsLoggedInSeller(currentAddress)) {
        return;
    }
    m_window.controls().browserBox->hide();
    AfterLogin();
}

void WindowShell::AfterLogin() {
    if (m_context.loginListsLoaded) {
        return;
    }
    TabControl* tabs = m_window.controls().tabs;
    tabs->setPageText(0, ui::Tr(text::kTabLoggedIn));
    tabs->setPageEnabled(1, true);
    m_catalogue->LoadWatchList();
    m_catalogue->LoadItemChooser();
    m_catalogue->LoadDeliveredGrid();
    m_context.loginListsLoaded = true;
}

void WindowShell::OnKeepAliveTimer() {
    m_window.controls().browser->reload();
}

} // namespace quorvel::app
