// The main window's controls that the catalogue pages drive. The window builds them and fills
// this in; the pages never create or own any of them.
#pragma once

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;
class QTreeView;

namespace quorvel::catalogue {

struct CatalogueWidgets {
    QTreeView* watchList = nullptr;        // 超级列表框1: rows with check boxes, two columns
    QLineEdit* nameEntry = nullptr;        // 编辑框1
    QPushButton* addButton = nullptr;      // 超级按钮1 "添加到列表"
    QPushButton* renameButton = nullptr;   // 超级按钮2 "更改名称"
    QPushButton* deleteButton = nullptr;   // 超级按钮3 "删除商品"
    QLineEdit* noteEdit = nullptr;         // 宝贝备注
    QLineEdit* limitEdit = nullptr;        // 限拍数量
    QCheckBox* needsCardsCheck = nullptr;  // 选择框1
    QComboBox* itemChooser = nullptr;      // 组合框1
    QPlainTextEdit* cardEntry = nullptr;   // 编辑框3
    QPushButton* addStockButton = nullptr; // 超级按钮8 "增加入库"
    QTreeView* stockList = nullptr; // 超级列表框2: multi-selection, columns 卡号 卡密 Sqlid(0 wide)
    QPushButton* deleteStockButton = nullptr; // 超级按钮9 "删除库存"
    QTableView* deliveredGrid = nullptr;      // 高级表格1
};

} // namespace quorvel::catalogue
