// The grey hint of an edit box: it shows while the box holds nothing the seller typed, goes away
// when the box gets focus, and comes back when the box loses focus holding only spaces.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace quorvel::catalogue {

class EditHint : public QObject {
    Q_OBJECT
  public:
    // `hint` uses "\r\n" line breaks, as the stored texts do.
    EditHint(QLineEdit* box, QString hint, QObject* parent);
    EditHint(QPlainTextEdit* box, QString hint, QObject* parent);

    // The box's text with "\r\n" line breaks.
    QString Text() const;
    void SetText(const QString& text);
    bool Showing() const { return Text() == m_hint; }
    // The hint in grey.
    void Show();
    // The lost-focus rule: a box left empty or holding only half- or full-width spaces shows the
    // hint again; any other text stays.
    void ShowIfEmpty();
    // From now on the box's focus changes are ignored: the window is tearing its controls down.
    void Detach() { m_detached = true; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void setColour(bool grey);

    QWidget* m_box;
    const QMetaObject* m_boxClass; // differs while the box is half destroyed
    bool m_detached = false;
    QString m_hint;
    std::function<QString()> m_read;
    std::function<void(const QString&)> m_write;
};

} // namespace quorvel::catalogue
