// Small widgets the form needs that Qt does not have as such.
#pragma once

#include <QLabel>

namespace quorvel::app {

// A label whose lines sit at the form's fixed pitch of 12 pixels, whatever the font's own line
// spacing: the captions of the item panel line up with their edit boxes that way.
class PitchedLabel : public QLabel {
    Q_OBJECT
  public:
    PitchedLabel(const QString& text, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// Shrinks the font of a label, button or check box until its text fits its width and height,
// so no text of the form is cut off at the form's sizes.
void FitTextToWidth(QWidget* widget);

} // namespace quorvel::app
