#include "app/BrowserFlags.h"

#include "web/HostMap.h"

#include <QByteArray>
#include <QtGlobal>

namespace quorvel::app {

std::string WithHostResolverRules(std::string_view flags, std::string_view rules) {
    std::string result(flags);
    if (rules.empty()) {
        return result;
    }
    if (!result.empty()) {
        result += ' ';
    }
    result += "--host-resolver-rules=\"";
    result += rules;
    result += '"';
    return result;
}

void ApplyHostMapToBrowser() {
    const std::string rules = web::HostResolverRules(web::ActiveHostMap());
    if (rules.empty()) {
        return;
    }
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    const std::string combined =
        WithHostResolverRules(std::string_view(flags.constData(), flags.size()), rules);
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", QByteArray::fromStdString(combined));
}

} // namespace quorvel::app
