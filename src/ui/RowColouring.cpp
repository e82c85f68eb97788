#include "ui/RowColouring.h"

#include <QAbstractItemView>
#include <QPalette>

namespace quorvel::ui {

RowColouringDelegate::RowColouringDelegate(QColor even, QColor odd, QColor text, QObject* parent)
    : QStyledItemDelegate(parent), m_even(even), m_odd(odd), m_text(text) {}

void RowColouringDelegate::setColours(QColor even, QColor odd, QColor text) {
    m_even = even;
    m_odd = odd;
    m_text = text;
}

void RowColouringDelegate::initStyleOption(QStyleOptionViewItem* option,
                                           const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // The row's colour wins over whatever the model gives a cell, so a row reads as one band.
    option->backgroundBrush = QBrush(rowColour(index.row()));
    option->palette.setColor(QPalette::Text, m_text);
    option->palette.setColor(QPalette::WindowText, m_text);
}

ColouredList* RowColouringRegistry::find(const QAbstractItemView* view) {
    for (auto& entry : m_entries) {
        if (entry.view == view) {
            return &entry;
        }
    }
    return nullptr;
}

void RegisterRowColouring(RowColouringRegistry& registry, QAbstractItemView* view, QColor even,
                          QColor odd) {
    if (view == nullptr) {
        return;
    }
    const QColor text = view->palette().color(QPalette::Text);
    if (ColouredList* entry = registry.find(view); entry != nullptr && entry->delegate) {
        entry->delegate->setColours(even, odd, text);
    } else {
        auto* delegate = new RowColouringDelegate(even, odd, text, view);
        view->setItemDelegate(delegate);
        if (entry != nullptr) {
            entry->delegate = delegate;
        } else {
            registry.append({view, delegate});
        }
    }
    view->viewport()->update();
}

} // namespace quorvel::ui
