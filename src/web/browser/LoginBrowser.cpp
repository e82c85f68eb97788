#include "web/browser/LoginBrowser.h"

#include "text/Texts.h"
#include "web/browser/CookieBridge.h"

#include <QFile>
#include <QWebEngineCertificateError>
#include <QWebEngineProfile>

namespace quorvel::web {

namespace {
QString Utf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}
} // namespace

bool ShowsLoggedInSeller(const QString& address) {
    return address.contains(Utf8(text::kLoginMarkerQuick.utf8), Qt::CaseSensitive) ||
           address.contains(Utf8(text::kLoginMarkerMyTaobao.utf8), Qt::CaseSensitive);
}

std::optional<QSslCertificate> TrustedCertificateFromEnvironment() {
    const QString path = qEnvironmentVariable("QUORVEL_TRUSTED_CERT");
    if (path.isEmpty()) {
        return std::nullopt;
    }
    QFile file(path);
    const QList<QSslCertificate> certificates =
        file.open(QIODevice::ReadOnly) ? QSslCertificate::fromData(file.readAll(), QSsl::Pem)
                                       : QList<QSslCertificate>();
    if (certificates.isEmpty() || certificates.first().isNull()) {
        // Said once: otherwise the demo shop's login page would just fail to load.
        qWarning("QUORVEL_TRUSTED_CERT: no PEM certificate in %s; trusting none extra",
                 qPrintable(path));
        return std::nullopt;
    }
    return certificates.first();
}

LoginPage::LoginPage(QWebEngineProfile* profile, std::optional<QSslCertificate> trusted,
                     QObject* parent)
    : QWebEnginePage(profile, parent), m_trusted(std::move(trusted)) {
    connect(this, &QWebEnginePage::certificateError, this, &LoginPage::onCertificateError);
}

QWebEnginePage* LoginPage::createWindow(WebWindowType) {
    ++m_refusedWindows;
    return nullptr;
}

void LoginPage::onCertificateError(const QWebEngineCertificateError& error) {
    // Only the very certificate the demo shop presents is let through; any other error,
    // on any host, stays fatal.
    QWebEngineCertificateError answer = error;
    const QList<QSslCertificate> chain = error.certificateChain();
    if (m_trusted && !chain.isEmpty() && chain.first() == *m_trusted) {
        answer.acceptCertificate();
    } else {
        answer.rejectCertificate();
    }
}

LoginBrowser::LoginBrowser(QWidget* parent, std::optional<QSslCertificate> trusted)
    : QWebEngineView(parent),
      // No storage name: an off-the-record profile, nothing of a session is left on disk.
      m_profile(new QWebEngineProfile(this)),
      m_page(new LoginPage(m_profile, std::move(trusted), this)),
      m_bridge(new CookieBridge(m_profile->cookieStore(), CookieStore::Instance(), this)) {
    setPage(m_page);
    connect(this, &QWebEngineView::loadFinished, this,
            [this](bool) { emit navigated(currentAddress()); });
}

LoginBrowser::~LoginBrowser() {
    // The page must go before its profile.
    delete m_bridge;
    delete m_page;
}

QString LoginBrowser::currentAddress() const {
    return url().toString();
}

QWebEngineView* LoginBrowser::createWindow(QWebEnginePage::WebWindowType) {
    return nullptr;
}

} // namespace quorvel::web
