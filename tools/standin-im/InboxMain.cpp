// standin-im-inbox [--screenshot FILE]: shows the buyers' transcripts as they arrive.
#include "InboxWindow.h"
#include "StandinIm.h"
#include "platform/posix/ImWindowProtocol.h"

#include <QApplication>

#include <iostream>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QApplication::arguments();
    quorvel::standin::InboxWindow window(quorvel::standin::DefaultImDirectory(),
                                         quorvel::platform::posix::DefaultImSocket());
    window.show();
    if (args.size() == 3 && args[1] == QStringLiteral("--screenshot")) {
        // One refresh, one picture, then end: for documentation without a display.
        window.refresh();
        return window.grab().save(args[2]) ? 0 : 1;
    }
    if (args.size() != 1) {
        std::cerr << "usage: standin-im-inbox [--screenshot FILE]\n";
        return 2;
    }
    return QApplication::exec();
}
