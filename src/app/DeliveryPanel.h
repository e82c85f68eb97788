// The automatic delivery panel of page 0 and the window's timer 自动发货时钟: the Qt side of
// the delivery scheduler. Ticks and clicks go to the scheduler; its period changes reach the
// timer, and the end of a pass comes back to the UI thread as a queued call on the window.
//
// UI thread only.
#pragma once

#include "delivery/DeliveryScheduler.h"

#include <QObject>

#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;
class QWidget;

namespace quorvel::app {

struct DeliveryPanelWidgets {
    QWidget* window = nullptr;         // receives the queued end-of-pass calls
    QCheckBox* autoDelivery = nullptr; // 选择框2
    QLineEdit* interval = nullptr;     // 编辑框2
    QLabel* status = nullptr;          // 标签8
    QPushButton* apply = nullptr;      // 超级按钮4
    QTimer* timer = nullptr;           // 自动发货时钟
};

class DeliveryPanel : public QObject {
    Q_OBJECT
  public:
    // `pass` runs on the worker and answers whether the tables changed; `refreshLists` runs on
    // the UI thread after such a pass.
    DeliveryPanel(const DeliveryPanelWidgets& widgets, delivery::DeliveryScheduler::Pass pass,
                  std::function<void()> refreshLists, QObject* parent);
    ~DeliveryPanel() override;

    bool passRunning() const;

    void OnAutoDeliveryToggled();
    void ApplyInterval();
    void OnDeliveryTimer();

  private:
    void setTimerPeriod(std::int32_t periodMs);

    DeliveryPanelWidgets m_widgets;
    std::unique_ptr<delivery::DeliveryScheduler> m_scheduler;
};

} // namespace quorvel::app
