// The process entry: the process-wide state, the window, the start-up sequence, the event loop.
#include "app/AppContext.h"
#include "app/BrowserFlags.h"
#include "app/DeliveryPanel.h"
#include "app/MainWindow.h"
#include "app/ProcessEnd.h"
#include "app/QtPorts.h"
#include "app/StartupSequence.h"
#include "app/WindowShell.h"
#include "delivery/BuyerNotifier.h"
#include "delivery/DeliveryCycle.h"
#include "platform/StandardProcessExit.h"
#include "platform/SystemPorts.h"

#include <QApplication>
#include <QStyleFactory>

#include <memory>

using namespace quorvel;

int main(int argc, char** argv) {
    app::ApplyHostMapToBrowser();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    auto context = std::make_unique<app::AppContext>(
        app::DataDirectory(QCoreApplication::applicationDirPath().toStdString()));
    platform::SystemPorts system = platform::MakeSystemPorts();
    app::QtDialogs dialogs;
    app::QtUrlOpener urlOpener;
    platform::StandardProcessExit processExit;
    delivery::BuyerNotifier notifier(context->settings, *system.launcher, *system.windows);

    app::AppContext& ctx = *context;
    auto pass = [&ctx, &notifier] {
        if (!ctx.patterns) {
            return false;
        }
        const delivery::DeliveryPorts ports = delivery::StandardDeliveryPorts(
            *ctx.patterns, ctx.tables, notifier, delivery::DefaultFetch());
        return delivery::RunDeliveryPass(ports).tablesChanged;
    };

    auto window = std::make_unique<app::MainWindow>();
    dialogs.setParent(window.get());
    app::WindowShell shell(*window, ctx, dialogs, pass);
    window->show();
    const app::StartupPorts ports{dialogs,          urlOpener,
                                  processExit,      app::HttpUpdateFetch(),
                                  *system.registry, *system.fileProbe};
    app::RunStartupSequence(*window, ctx, shell.catalogue(), ports);

    return app::EndOfEventLoop(QApplication::exec(), shell.deliveryPanel());
}
