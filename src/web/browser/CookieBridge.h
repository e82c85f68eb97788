// Copies the login browser's cookies into the process-wide cookie store, as they come and go,
// so that the system's own requests carry the seller's browser session.
#pragma once

#include "web/CookieStore.h"

#include <QObject>

class QNetworkCookie;
class QWebEngineCookieStore;

namespace quorvel::web {

// The store's form of a browser cookie. A host-only cookie keeps its host as the domain.
Cookie ToStoreCookie(const QNetworkCookie& cookie);

class CookieBridge : public QObject {
    Q_OBJECT
  public:
    // REQUIRES: `browserStore` outlives this object.
    CookieBridge(QWebEngineCookieStore* browserStore, CookieStore& target, QObject* parent);

  private:
    CookieStore& m_target;
};

} // namespace quorvel::web
