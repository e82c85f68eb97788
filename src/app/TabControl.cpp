#include "app/TabControl.h"

#include <QStackedWidget>
#include <QTabBar>

namespace quorvel::app {

namespace {
constexpr int kStripHeight = 26; // the form's page controls start at 27
}

TabControl::TabControl(QWidget* parent)
    : QWidget(parent), m_bar(new QTabBar(this)), m_stack(new QStackedWidget(this)) {
    m_bar->setObjectName(QStringLiteral("tabStrip"));
    m_bar->setDrawBase(false);
    m_bar->setExpanding(false);
    m_bar->setUsesScrollButtons(true);
    connect(m_bar, &QTabBar::currentChanged, m_stack, &QStackedWidget::setCurrentIndex);
    m_bar->raise();
}

int TabControl::addPage(QWidget* page, const QString& text) {
    const int index = m_stack->addWidget(page);
    m_bar->addTab(text);
    return index;
}

QWidget* TabControl::page(int index) const {
    return m_stack->widget(index);
}
int TabControl::count() const {
    return m_stack->count();
}
QString TabControl::pageText(int index) const {
    return m_bar->tabText(index);
}
void TabControl::setPageText(int index, const QString& text) {
    m_bar->setTabText(index, text);
}
bool TabControl::isPageEnabled(int index) const {
    return m_bar->isTabEnabled(index);
}
void TabControl::setPageEnabled(int index, bool enabled) {
    m_bar->setTabEnabled(index, enabled);
}
int TabControl::currentIndex() const {
    return m_bar->currentIndex();
}
void TabControl::setCurrentIndex(int index) {
    m_bar->setCurrentIndex(index);
}

void TabControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_stack->setGeometry(0, 0, width(), height());
    m_bar->setGeometry(0, 0, width(), kStripHeight);
    m_bar->raise();
}

} // namespace quorvel::app
