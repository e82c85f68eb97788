// Alternating row backgrounds for the two list views of the main window. Each registered view
// gets a delegate that paints every cell of a row in the row's colour and its text in the colour
// the view had when it was registered.
//
// UI thread only.
#pragma once

#include <QColor>
#include <QPointer>
#include <QStyledItemDelegate>

#include <vector>

class QAbstractItemView;

namespace quorvel::ui {

// The window's colour scheme for the lists: rows 0, 2, 4, ... and rows 1, 3, 5, ...
inline const QColor kEvenRowColour{234, 240, 247};
inline const QColor kOddRowColour{222, 232, 241};

class RowColouringDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    RowColouringDelegate(QColor even, QColor odd, QColor text, QObject* parent);

    void setColours(QColor even, QColor odd, QColor text);
    QColor rowColour(int row) const { return row % 2 == 0 ? m_even : m_odd; }
    QColor textColour() const { return m_text; }

    // The row's background for every cell and the registered text colour.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

  private:
    QColor m_even;
    QColor m_odd;
    QColor m_text;
};

struct ColouredList {
    QPointer<QAbstractItemView> view;
    QPointer<RowColouringDelegate> delegate; // owned by the view
};

// One entry per coloured view, in registration order.
class RowColouringRegistry {
  public:
    const std::vector<ColouredList>& entries() const { return m_entries; }
    ColouredList* find(const QAbstractItemView* view);
    void append(ColouredList entry) { m_entries.push_back(std::move(entry)); }

  private:
    std::vector<ColouredList> m_entries;
};

// Installs (or, for a view already registered, updates) the colouring of `view` and repaints it.
// The text colour is the view's own at this moment.
void RegisterRowColouring(RowColouringRegistry& registry, QAbstractItemView* view, QColor even,
                          QColor odd);

} // namespace quorvel::ui
