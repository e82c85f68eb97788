#include "web/browser/CookieBridge.h"

#include <QDateTime>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>

namespace quorvel::web {

namespace {
std::string Latin(const QByteArray& bytes) {
    return std::string(bytes.constData(), bytes.size());
}
} // namespace

Cookie ToStoreCookie(const QNetworkCookie& cookie) {
    Cookie out;
    out.name = Latin(cookie.name());
    out.value = Latin(cookie.value());
    out.domain = cookie.domain().toStdString();
    out.path = cookie.path().isEmpty() ? std::string("/") : cookie.path().toStdString();
    out.expiresUnix = cookie.isSessionCookie() ? 0 : cookie.expirationDate().toSecsSinceEpoch();
    out.secure = cookie.isSecure();
    out.httpOnly = cookie.isHttpOnly();
    return out;
}

CookieBridge::CookieBridge(QWebEngineCookieStore* browserStore, CookieStore& target,
                           QObject* parent)
    : QObject(parent), m_target(target) {
    connect(browserStore, &QWebEngineCookieStore::cookieAdded, this,
            [this](const QNetworkCookie& cookie) { m_target.Put(ToStoreCookie(cookie)); });
    connect(browserStore, &QWebEngineCookieStore::cookieRemoved, this,
            [this](const QNetworkCookie& cookie) {
                const Cookie gone = ToStoreCookie(cookie);
                m_target.Remove(gone.name, gone.domain, gone.path);
            });
    browserStore->loadAllCookies();
}

} // namespace quorvel::web
