#include "app/QtPorts.h"

#include "ui/QtText.h"

#include <QDesktopServices>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

namespace quorvel::app {

namespace {

QMessageBox::Icon BoxIcon(platform::DialogIcon icon) {
    switch (icon) {
    case platform::DialogIcon::Question:
        return QMessageBox::Question;
    case platform::DialogIcon::Error:
        return QMessageBox::Critical;
    case platform::DialogIcon::Information:
        break;
    }
    return QMessageBox::Information;
}

QString Lines(std::string_view gbk) {
    QString text = ui::FromGbk(gbk);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace

void QtDialogs::ShowMessage(std::string_view text, std::string_view title,
                            platform::DialogIcon icon) {
    QMessageBox box(BoxIcon(icon), Lines(title), Lines(text), QMessageBox::Ok, m_parent);
    box.exec();
}

bool QtDialogs::AskOkCancel(std::string_view text, std::string_view title) {
    QMessageBox box(QMessageBox::Question, Lines(title), Lines(text),
                    QMessageBox::Ok | QMessageBox::Cancel, m_parent);
    box.setDefaultButton(QMessageBox::Ok);
    // Closing the box without choosing counts as Cancel.
    box.setEscapeButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

std::optional<std::string> QtDialogs::AskText(std::string_view prompt, std::string_view title) {
    bool accepted = false;
    const QString answer = QInputDialog::getText(m_parent, Lines(title), Lines(prompt),
                                                 QLineEdit::Normal, QString(), &accepted);
    if (!accepted) {
        return std::nullopt;
    }
    return ui::ToGbk(answer);
}

void QtUrlOpener::Open(std::string_view url) {
    const QUrl address = QUrl::fromEncoded(
        QByteArray(url.data(), static_cast<qsizetype>(url.size())), QUrl::TolerantMode);
    if (address.isValid() && !address.isEmpty()) {
        QDesktopServices::openUrl(address);
    }
}

} // namespace quorvel::app
