#include "app/FormWidgets.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QPainter>
#include <QStyle>

namespace quorvel::app {

PitchedLabel::PitchedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void PitchedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(font());
    QString plain = text();
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QStringList lines = plain.split(QLatin1Char('\n'));
    // The form's line pitch: the captions then sit level with the boxes beside them.
    constexpr int kPitch = 12;
    constexpr int kBand = 14;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QRect band(0, static_cast<int>(i) * kPitch, width(), kBand);
        painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextDontClip, lines[i]);
    }
}

namespace {

QString TextOf(QWidget* widget) {
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    return {};
}

int RoomFor(QWidget* widget) {
    if (qobject_cast<QCheckBox*>(widget) != nullptr) {
        const int indicator =
            widget->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, widget);
        const int spacing =
            widget->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, widget);
        return widget->width() - indicator - spacing - 2;
    }
    if (qobject_cast<QAbstractButton*>(widget) != nullptr) {
        return widget->width() - 6;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return widget->width() - 2 * label->margin();
    }
    return widget->width();
}

int WidestLine(const QFontMetrics& metrics, const QString& text) {
    int widest = 0;
    QString plain = text;
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const QString& line : plain.split(QLatin1Char('\n'))) {
        widest = std::max(widest, metrics.horizontalAdvance(line));
    }
    return widest;
}

} // namespace

void FitTextToWidth(QWidget* widget) {
    const QString text = TextOf(widget);
    if (text.isEmpty()) {
        return;
    }
    QFont font = widget->font();
    int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (pixels > 9) {
        font.setPixelSize(pixels);
        if (WidestLine(QFontMetrics(font), text) <= RoomFor(widget)) {
            break;
        }
        --pixels;
    }
    font.setPixelSize(pixels);
    if (font != widget->font()) {
        widget->setFont(font);
    }
}

} // namespace quorvel::app
