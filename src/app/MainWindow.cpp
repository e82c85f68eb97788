#include "app/MainWindow.h"

#include "app/FormWidgets.h"
#include "app/TabControl.h"
#include "text/Texts.h"
#include "ui/QtText.h"
#include "web/browser/LoginBrowser.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QTimer>
#include <QTreeView>

namespace quorvel::app {

namespace t = quorvel::text;
using ui::Tr;

namespace {

constexpr int kKeepAlivePeriodMs = 600000;

const char* const kStyle = R"(
QWidget[role="page"] { background: #f4f7fb; }
QFrame[role="header"] {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2f6aa6, stop:1 #24578c);
}
QLabel[role="title"] { color: white; font-size: 30px; font-weight: bold; }
QLabel[role="status"] { color: white; }
QFrame[role="box"] { border: 1px solid #9fb6d2; background: white; }
QFrame[role="panel"] { border: 1px solid #9fb6d2; background: rgb(234, 240, 247); }
QFrame[role="panelHeader"] {
    border: none;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4f86c1, stop:1 #3a6ea6);
}
QLabel[role="panelHeader"] { color: white; font-weight: bold; }
QFrame[role="box"] QLineEdit, QFrame[role="box"] QTreeView, QFrame[role="box"] QTableView {
    border: none;
}
QFrame[role="box"] QPushButton, QFrame[role="panel"] QFrame[role="box"] QPushButton {
    border: none; color: #17375e;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #ffffff, stop:1 #d9e5f2);
}
QFrame[role="box"] QPushButton:hover { background: #e6eef8; }
QFrame[role="box"] QPushButton:pressed { background: #c6d7ea; }
QFrame[role="panel"] QLineEdit {
    border: 1px solid #9fb6d2; background: white; padding: 0px 2px;
}
QLineEdit:disabled { background: #eef1f5; color: #8a96a3; }
QFrame[role="panel"] QLineEdit:disabled { background: #dde3ea; border-color: #c3ccd6; color: #8a96a3; }
QGroupBox { border: 1px solid #b7c8dc; margin-top: 8px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0px 2px; color: #17375e; }
QLabel#deliveryStatus { color: #17375e; }
QHeaderView::section {
    background: #dbe6f2; color: #17375e; border: none; border-right: 1px solid #b7c8dc;
    border-bottom: 1px solid #b7c8dc; padding: 2px 4px;
}
QTabBar::tab {
    background: #dbe6f2; color: #17375e; border: 1px solid #9fb6d2; border-bottom: none;
    padding: 4px 10px; margin-right: 2px; margin-top: 2px;
}
QTabBar::tab:selected { background: #f4f7fb; margin-top: 0px; color: #0d2b52; }
QCheckBox[compact="true"]::indicator { width: 11px; height: 11px; }
QTabBar::tab:disabled { color: #8a96a3; }
)";

QString Name(const char* utf8) {
    return QString::fromUtf8(utf8);
}

template <class Widget>
Widget* Place(QWidget* parent, const char* name, int x, int y, int width, int height) {
    auto* widget = new Widget(parent);
    widget->setObjectName(Name(name));
    widget->setGeometry(x, y, width, height);
    return widget;
}

QFrame* Frame(QWidget* parent, const char* name, int x, int y, int width, int height,
              const char* role = "box") {
    auto* frame = Place<QFrame>(parent, name, x, y, width, height);
    frame->setProperty("role", role);
    return frame;
}

QLabel* Label(QWidget* parent, const char* name, int x, int y, int width, int height,
              const QString& text) {
    auto* label = Place<QLabel>(parent, name, x, y, width, height);
    label->setText(text);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QPushButton* Button(QWidget* frame, const char* name, int x, int y, const QString& text) {
    auto* button = Place<QPushButton>(frame, name, x, y, 79, 20);
    button->setText(text);
    button->setCursor(Qt::PointingHandCursor);
    return button;
}

// A header strip of a panel: frame 外形框N across the top with its caption label.
void PanelHeader(QWidget* panel, const char* frameName, const char* labelName, int width,
                 const QString& text) {
    QFrame* strip = Frame(panel, frameName, 0, 0, width, 22, "panelHeader");
    QLabel* caption = Label(strip, labelName, 0, 0, width, 22, text);
    caption->setProperty("role", "panelHeader");
}

// The columns of a list view as the form gives them, until the pages set their own models.
void Columns(QTreeView* view, const QStringList& titles, const QList<int>& widths) {
    auto* model = new QStandardItemModel(0, static_cast<int>(titles.size()), view);
    model->setHorizontalHeaderLabels(titles);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->header()->setStretchLastSection(false);
    for (int column = 0; column < widths.size(); ++column) {
        view->setColumnWidth(column, widths[column]);
    }
}

} // namespace

MainWindow::MainWindow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(Tr(t::kProductTitle));
    QFont base(QStringLiteral("Noto Sans CJK SC"));
    base.setPixelSize(12);
    setFont(base);
    setStyleSheet(QString::fromLatin1(kStyle));

    buildHeader();
    m_controls.tabs = Place<TabControl>(this, "高级选择夹1", 0, 104, 794, 414);
    const char* const pageNames[] = {"page0", "page1", "page2", "page3"};
    const QString pageTexts[] = {Tr(t::kTabLogin), Tr(t::kTabDelivered), Tr(t::kTabStock),
                                 Tr(t::kTabHelp)};
    for (int index = 0; index < 4; ++index) {
        auto* page = new QWidget(m_controls.tabs);
        page->setObjectName(Name(pageNames[index]));
        page->setProperty("role", "page");
        page->setAttribute(Qt::WA_StyledBackground);
        m_controls.tabs->addPage(page, pageTexts[index]);
    }
    buildLoginPage(m_controls.tabs->page(0));
    buildDeliveredPage(m_controls.tabs->page(1));
    buildStockPage(m_controls.tabs->page(2));
    // Page 3 ("软件帮助") holds nothing.

    for (auto* widget : findChildren<QWidget*>()) {
        if (qobject_cast<QLabel*>(widget) != nullptr || qobject_cast<QAbstractButton*>(widget)) {
            if (widget != m_controls.title) {
                widget->ensurePolished();
                FitTextToWidth(widget);
            }
        }
    }
    move(kLeft, kTop);
    resize(kClientWidth, kClientHeight);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildHeader() {
    QFrame* band = Frame(this, "图片框1", 0, 0, 808, 104, "header");
    m_controls.headerBand = band;
    m_controls.title = Label(band, "标签12", 32, 16, 272, 56, Tr(t::kProductTitle));
    m_controls.title->setProperty("role", "title");
    struct Status {
        const char* name;
        int x, y;
        const t::FixedText& text;
    };
    const Status status[] = {
        {"透明标签1", 648, 24, t::kStatusRunTime},
        {"透明标签2", 712, 24, t::kStatusRunTimeValue},
        {"透明标签3", 648, 48, t::kStatusDelivered},
        {"透明标签4", 712, 48, t::kStatusDeliveredValue},
        {"透明标签5", 648, 72, t::kStatusTurnover},
        {"透明标签6", 712, 72, t::kStatusTurnoverValue},
    };
    for (int index = 0; index < 6; ++index) {
        const Status& entry = status[index];
        QLabel* label = Label(band, entry.name, entry.x, entry.y, 64, 24, Tr(entry.text));
        label->setProperty("role", "status");
        label->setAttribute(Qt::WA_TranslucentBackground);
        // Nothing in the program keeps these figures: the block stays hidden.
        label->hide();
        m_controls.statusBlock[index] = label;
    }
}

void MainWindow::buildLoginPage(QWidget* page) {
    auto& c = m_controls.catalogue;
    Label(page, "标签2", 8, 34, 551, 22, Tr(t::kNameNotice));
    Label(Frame(page, "外形框6", 8, 61, 74, 22), "标签3", 1, 1, 72, 20, Tr(t::kNameLabel))
        ->setAlignment(Qt::AlignCenter);
    c.nameEntry =
        Place<QLineEdit>(Frame(page, "外形框5", 81, 61, 392, 22), "编辑框1", 1, 1, 390, 20);
    c.nameEntry->setText(Tr(t::kNameHint));
    c.addButton =
        Button(Frame(page, "外形框4", 478, 61, 81, 22), "超级按钮1", 1, 1, Tr(t::kAddToListButton));

    QFrame* listFrame = Frame(page, "外形框2", 8, 88, 551, 287);
    c.watchList = Place<QTreeView>(listFrame, "超级列表框1", 1, 1, 549, 285);
    Columns(c.watchList, {Tr(t::kWatchColumnName), Tr(t::kWatchColumnState)}, {435, 90});
    c.watchList->setSelectionMode(QAbstractItemView::SingleSelection);

    m_controls.deliveryTimer = new QTimer(listFrame);
    m_controls.deliveryTimer->setObjectName(Name("自动发货时钟"));
    m_controls.keepAliveTimer = new QTimer(listFrame);
    m_controls.keepAliveTimer->setObjectName(Name("更新Cookie"));
    m_controls.keepAliveTimer->start(kKeepAlivePeriodMs);

    c.renameButton =
        Button(Frame(page, "外形框7", 388, 380, 82, 22), "超级按钮2", 2, 1, Tr(t::kRenameButton));
    c.deleteButton = Button(Frame(page, "外形框8", 477, 380, 82, 22), "超级按钮3", 1, 1,
                            Tr(t::kDeleteItemButton));
    Label(page, "标签1", 1, 381, 383, 22, Tr(t::kWelcomeLabel));

    buildItemPanel(page);
    buildDeliveryPanel(page);

    // Placed below the page by the form; the first layout brings it over the page.
    m_controls.browserBox = Place<QWidget>(page, "图片框2", 1, 1000, 792, 380);
    m_controls.browser = new web::LoginBrowser(m_controls.browserBox);
    m_controls.browser->setObjectName(Name("互联网浏览器1"));
    m_controls.browser->setGeometry(-64, -64, 1008, 904);
}

void MainWindow::buildItemPanel(QWidget* page) {
    auto& c = m_controls.catalogue;
    QFrame* panel = Frame(page, "外形框3", 564, 61, 223, 155, "panel");
    m_controls.itemPanel = panel;
    PanelHeader(panel, "外形框9", "标签6", 223, Tr(t::kItemPanelHeader));
    auto* captions = new PitchedLabel(Tr(t::kItemPanelLabels), panel);
    captions->setObjectName(Name("标签5"));
    captions->setGeometry(10, 39, 60, 92);
    c.noteEdit = Place<QLineEdit>(panel, "宝贝备注", 72, 37, 148, 20);
    c.limitEdit = Place<QLineEdit>(panel, "限拍数量", 72, 73, 36, 20);
    c.needsCardsCheck = Place<QCheckBox>(panel, "选择框1", 74, 111, 16, 13);
    // The form's box is smaller than the style's usual indicator.
    c.needsCardsCheck->setProperty("compact", true);
}

void MainWindow::buildDeliveryPanel(QWidget* page) {
    QFrame* panel = Frame(page, "外形框10", 564, 221, 223, 181, "panel");
    PanelHeader(panel, "外形框11", "标签4", 223, Tr(t::kDeliveryPanelHeader));
    Label(panel, "标签7", 10, 28, 104, 24, Tr(t::kIntervalLabel));
    m_controls.intervalEdit = Place<QLineEdit>(panel, "编辑框2", 116, 30, 48, 20);
    m_controls.intervalEdit->setEnabled(false);
    m_controls.autoDeliveryCheck = Place<QCheckBox>(panel, "选择框2", 10, 63, 146, 24);
    m_controls.autoDeliveryCheck->setText(Tr(t::kAutoDeliveryCheck));
    m_controls.statusGroup = Place<QGroupBox>(panel, "分组框1", 4, 90, 216, 56);
    m_controls.statusGroup->setTitle(Tr(t::kStatusGroup));
    m_controls.deliveryStatus =
        Label(m_controls.statusGroup, "标签8", 11, 20, 197, 24, Tr(t::kDeliveryOff));
    m_controls.applyButton =
        Button(Frame(panel, "外形框12", 136, 152, 82, 22), "超级按钮4", 2, 1, Tr(t::kApplyButton));
}

void MainWindow::buildDeliveredPage(QWidget* page) {
    QFrame* frame = Frame(page, "外形框1", 1, 27, 792, 388);
    m_controls.catalogue.deliveredGrid = Place<QTableView>(frame, "高级表格1", 1, 1, 790, 385);
}

void MainWindow::buildStockPage(QWidget* page) {
    auto& c = m_controls.catalogue;
    Label(page, "标签9", 9, 35, 56, 24, Tr(t::kChooserLabel));
    c.itemChooser = Place<QComboBox>(page, "组合框1", 65, 38, 369, 20);

    QFrame* entry = Frame(page, "外形框17", 5, 67, 429, 341, "panel");
    PanelHeader(entry, "外形框19", "标签11", 429, Tr(t::kEntryPanelHeader));
    c.cardEntry = Place<QPlainTextEdit>(entry, "编辑框3", 1, 23, 426, 287);
    c.addStockButton = Button(Frame(entry, "外形框21", 340, 313, 82, 22), "超级按钮8", 2, 1,
                              Tr(t::kAddStockButton));

    QFrame* stock = Frame(page, "外形框13", 439, 34, 353, 374, "panel");
    PanelHeader(stock, "外形框20", "标签10", 353, Tr(t::kStockPanelHeader));
    c.stockList = Place<QTreeView>(stock, "超级列表框2", 1, 22, 351, 320);
    Columns(c.stockList,
            {Tr(t::kStockColumnNumber), Tr(t::kStockColumnPassword), Tr(t::kStockColumnId)},
            {200, 120, 0});
    c.stockList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    c.deleteStockButton = Button(Frame(stock, "外形框18", 52, 346, 82, 22), "超级按钮9", 2, 1,
                                 Tr(t::kDeleteStockButton));
    m_controls.editNumberButton = Button(Frame(stock, "外形框15", 141, 347, 82, 22), "超级按钮6", 2,
                                         1, Tr(t::kEditNumberButton));
    m_controls.editPasswordButton = Button(Frame(stock, "外形框16", 230, 347, 82, 22), "超级按钮7",
                                           2, 1, Tr(t::kEditPasswordButton));
}

void MainWindow::applyLayout() {
    QWidget* band = m_controls.headerBand;
    band->setGeometry(0, 0, width(), band->height());
    TabControl* tabs = m_controls.tabs;
    tabs->setGeometry(0, band->height(), width(), height() - band->height());
    m_controls.browserBox->setGeometry(1, 27, tabs->width() - 2, tabs->height() - 28);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    applyLayout();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
}

} // namespace quorvel::app
