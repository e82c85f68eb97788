#include "app/StartupSequence.h"

#include "app/AppContext.h"
#include "app/MainWindow.h"
#include "catalogue/Catalogue.h"
#include "data/ImClientLocator.h"
#include "text/Texts.h"
#include "ui/QtText.h"
#include "ui/RowColouring.h"
#include "web/Endpoints.h"
#include "web/browser/LoginBrowser.h"

#include <QTreeView>
#include <QUrl>

namespace quorvel::app {

namespace t = quorvel::text;

QString CaptionWithVersion(const QString& caption) {
    QString result = caption;
    result.replace(ui::Tr(t::kCaptionVersionMarker), ui::Tr(t::kCaptionVersion), Qt::CaseSensitive);
    return result;
}

void RunStartupSequence(MainWindow& window, AppContext& context, catalogue::Catalogue& catalogue,
                        const StartupPorts& ports) {
    const FormControls& c = window.controls();
    ports.urlOpener.Open(t::kMakerPageUrl.gbk);

    const UpdatePorts update{ports.dialogs, ports.urlOpener, ports.processExit, ports.fetch};
    ShowStartupNotice(update);
    CheckForUpdate(update);

    context.patterns = std::make_unique<delivery::CompiledPatterns>();
    window.setWindowTitle(CaptionWithVersion(window.windowTitle()));
    c.browser->setUrl(QUrl(QString::fromStdString(web::LoginPageUrl())));

    ui::RegisterRowColouring(context.colouring, c.catalogue.watchList, ui::kEvenRowColour,
                             ui::kOddRowColour);
    ui::RegisterRowColouring(context.colouring, c.catalogue.stockList, ui::kEvenRowColour,
                             ui::kOddRowColour);
    catalogue.ShowCardHint();
    catalogue.SetUpDeliveredGrid();

    const data::ImClientPorts im{ports.registry, ports.fileProbe, ports.dialogs, ports.urlOpener,
                                 ports.processExit};
    data::LocateImClient(context.settings, im);
}

} // namespace quorvel::app
