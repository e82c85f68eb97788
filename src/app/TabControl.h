// The window's tab control 高级选择夹1. Its pages cover the whole control, with the tab strip
// drawn over their top, so that a control's place on a page is its place in the tab control,
// as the form gives it.
#pragma once

#include <QWidget>

class QStackedWidget;
class QTabBar;

namespace quorvel::app {

class TabControl : public QWidget {
    Q_OBJECT
  public:
    explicit TabControl(QWidget* parent);

    // The new page is a child of the control; returns its index.
    int addPage(QWidget* page, const QString& text);
    QWidget* page(int index) const;
    int count() const;
    QString pageText(int index) const;
    void setPageText(int index, const QString& text);
    bool isPageEnabled(int index) const;
    void setPageEnabled(int index, bool enabled);
    int currentIndex() const;
    void setCurrentIndex(int index);
    QTabBar* tabBar() const { return m_bar; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    QTabBar* m_bar;
    QStackedWidget* m_stack;
};

} // namespace quorvel::app
