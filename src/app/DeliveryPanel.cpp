#include "app/DeliveryPanel.h"

#include "ui/QtText.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

namespace quorvel::app {

DeliveryPanel::DeliveryPanel(const DeliveryPanelWidgets& widgets,
                             delivery::DeliveryScheduler::Pass pass,
                             std::function<void()> refreshLists, QObject* parent)
    : QObject(parent), m_widgets(widgets) {
    QPointer<QWidget> window = widgets.window;
    delivery::DeliveryScheduler::Callbacks callbacks;
    callbacks.setTimerPeriod = [this](std::int32_t periodMs) { setTimerPeriod(periodMs); };
    callbacks.postToUi = [window](std::function<void()> call) {
        // Dropped when the window is already gone.
        if (window) {
            QMetaObject::invokeMethod(window, std::move(call), Qt::QueuedConnection);
        }
    };
    callbacks.refreshLists = std::move(refreshLists);
    m_scheduler =
        std::make_unique<delivery::DeliveryScheduler>(std::move(callbacks), std::move(pass));

    m_widgets.timer->stop();
    connect(m_widgets.autoDelivery, &QCheckBox::clicked, this,
            &DeliveryPanel::OnAutoDeliveryToggled);
    connect(m_widgets.apply, &QPushButton::clicked, this, &DeliveryPanel::ApplyInterval);
    connect(m_widgets.timer, &QTimer::timeout, this, &DeliveryPanel::OnDeliveryTimer);
}

DeliveryPanel::~DeliveryPanel() = default;

bool DeliveryPanel::passRunning() const {
    return m_scheduler && m_scheduler->PassRunning();
}

void DeliveryPanel::OnAutoDeliveryToggled() {
    m_widgets.interval->setEnabled(m_widgets.autoDelivery->isChecked());
}

void DeliveryPanel::ApplyInterval() {
    const std::string typed = ui::ToGbk(m_widgets.interval->text());
    const std::string status =
        m_scheduler->ApplyInterval(m_widgets.autoDelivery->isChecked(), typed);
    m_widgets.status->setText(ui::FromGbk(status));
}

void DeliveryPanel::OnDeliveryTimer() {
    m_scheduler->OnDeliveryTimer();
}

void DeliveryPanel::setTimerPeriod(std::int32_t periodMs) {
    if (periodMs > 0) {
        m_widgets.timer->start(periodMs);
    } else {
        m_widgets.timer->stop();
    }
}

} // namespace quorvel::app
