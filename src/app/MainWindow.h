// The one window of the program, built from the fixed form: every control at its place, with its
// name in the form as objectName. The behaviour behind the controls is wired by the start-up
// (catalogue pages, delivery panel, login flow); this class holds the form and the layout rule.
#pragma once

#include "catalogue/CatalogueWidgets.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTimer;
class QTreeView;

namespace quorvel::web {
class LoginBrowser;
}

namespace quorvel::app {

class TabControl;

// The controls the program drives, by their names in the form.
struct FormControls {
    QFrame* headerBand = nullptr;              // 图片框1
    QLabel* title = nullptr;                   // 标签12
    QWidget* statusBlock[6] = {};              // 透明标签1..6, hidden for good
    TabControl* tabs = nullptr;                // 高级选择夹1
    QWidget* browserBox = nullptr;             // 图片框2
    web::LoginBrowser* browser = nullptr;      // 互联网浏览器1
    QTimer* deliveryTimer = nullptr;           // 自动发货时钟
    QTimer* keepAliveTimer = nullptr;          // 更新Cookie
    QFrame* itemPanel = nullptr;               // 外形框3
    QLineEdit* intervalEdit = nullptr;         // 编辑框2
    QCheckBox* autoDeliveryCheck = nullptr;    // 选择框2
    QGroupBox* statusGroup = nullptr;          // 分组框1
    QLabel* deliveryStatus = nullptr;          // 标签8
    QPushButton* applyButton = nullptr;        // 超级按钮4
    QPushButton* editNumberButton = nullptr;   // 超级按钮6, no handler
    QPushButton* editPasswordButton = nullptr; // 超级按钮7, no handler
    catalogue::CatalogueWidgets catalogue;
};

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    // The form's place on the screen and its client size (the outer size less the frame).
    static constexpr int kLeft = 50;
    static constexpr int kTop = 50;
    static constexpr int kClientWidth = 794;
    static constexpr int kClientHeight = 518;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    const FormControls& controls() const { return m_controls; }

    // The three rules applied on every size change.
    void applyLayout();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildHeader();
    void buildLoginPage(QWidget* page);
    void buildDeliveredPage(QWidget* page);
    void buildStockPage(QWidget* page);
    void buildItemPanel(QWidget* page);
    void buildDeliveryPanel(QWidget* page);

    FormControls m_controls;
};

} // namespace quorvel::app
