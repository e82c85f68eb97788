// The login browser 互联网浏览器1: a Chromium view in which the seller logs in. It opens no
// second window, keeps nothing on disk between runs, trusts only the certificates the system
// trusts (plus, for the demo shop and tests, the one in QUORVEL_TRUSTED_CERT) and copies every
// cookie it receives into the process-wide cookie store.
//
// UI thread only.
#pragma once

#include <QSslCertificate>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <optional>

class QWebEngineCertificateError;
class QWebEngineProfile;

namespace quorvel::web {

class CookieBridge;

// True when the address shows the logged-in seller: it holds "quicklogin" or "my_taobao", with
// exactly that case, anywhere.
bool ShowsLoggedInSeller(const QString& address);

// The certificate in the PEM file named by QUORVEL_TRUSTED_CERT; nullopt when unset or unreadable.
std::optional<QSslCertificate> TrustedCertificateFromEnvironment();

class LoginPage : public QWebEnginePage {
    Q_OBJECT
  public:
    LoginPage(QWebEngineProfile* profile, std::optional<QSslCertificate> trusted, QObject* parent);

    int refusedWindows() const { return m_refusedWindows; }

  protected:
    QWebEnginePage* createWindow(WebWindowType type) override;

  private:
    void onCertificateError(const QWebEngineCertificateError& error);

    std::optional<QSslCertificate> m_trusted;
    int m_refusedWindows = 0;
};

class LoginBrowser : public QWebEngineView {
    Q_OBJECT
  public:
    explicit LoginBrowser(QWidget* parent, std::optional<QSslCertificate> trusted =
                                               TrustedCertificateFromEnvironment());
    ~LoginBrowser() override;

    // The address the browser shows now (its location, not what an event reported).
    QString currentAddress() const;
    LoginPage* loginPage() const { return m_page; }

  signals:
    // After each completed navigation, with the current address.
    void navigated(const QString& currentAddress);

  protected:
    QWebEngineView* createWindow(QWebEnginePage::WebWindowType type) override;

  private:
    QWebEngineProfile* m_profile; // child of this view, outlives m_page
    LoginPage* m_page;
    CookieBridge* m_bridge;
};

} // namespace quorvel::web
