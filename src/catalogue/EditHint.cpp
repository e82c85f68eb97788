#include "catalogue/EditHint.h"

#include "text/Gbk.h"
#include "ui/QtText.h"

#include <QColor>
#include <QEvent>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

#include <utility>

namespace quorvel::catalogue {
namespace {

const QColor kGrey(192, 192, 192);
const QColor kBlack(0, 0, 0);

// A multi-line box holds "\n" between lines; the stored texts and the hint use "\r\n".
QString withCrLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

QString withLf(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace

EditHint::EditHint(QLineEdit* box, QString hint, QObject* parent)
    : QObject(parent), m_box(box), m_boxClass(box->metaObject()), m_hint(std::move(hint)),
      m_read([box] { return box->text(); }),
      m_write([box](const QString& text) { box->setText(text); }) {
    m_box->installEventFilter(this);
}

EditHint::EditHint(QPlainTextEdit* box, QString hint, QObject* parent)
    : QObject(parent), m_box(box), m_boxClass(box->metaObject()), m_hint(std::move(hint)),
      m_read([box] { return withCrLf(box->toPlainText()); }),
      m_write([box](const QString& text) { box->setPlainText(withLf(text)); }) {
    m_box->installEventFilter(this);
}

QString EditHint::Text() const {
    return m_read();
}

void EditHint::SetText(const QString& text) {
    m_write(text);
}

void EditHint::Show() {
    setColour(true);
    m_write(m_hint);
}

void EditHint::ShowIfEmpty() {
    const QString text = Text();
    if (text != m_hint && text::IsOnlySpaces(ui::ToGbk(text))) {
        Show();
    }
}

bool EditHint::eventFilter(QObject* watched, QEvent* event) {
    // A box that loses focus in its own destructor is no longer a line or text edit.
    if (m_detached || watched != m_box || watched->metaObject() != m_boxClass) {
        return QObject::eventFilter(watched, event);
    }
    if (watched == m_box && event->type() == QEvent::FocusIn && Showing()) {
        m_write(QString());
        setColour(false);
    } else if (watched == m_box && event->type() == QEvent::FocusOut &&
               static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        // A context menu of the box itself is no loss of focus for the seller.
        ShowIfEmpty();
    }
    return QObject::eventFilter(watched, event);
}

void EditHint::setColour(bool grey) {
    QPalette palette = m_box->palette();
    palette.setColor(QPalette::Text, grey ? kGrey : kBlack);
    m_box->setPalette(palette);
}

} // namespace quorvel::catalogue
