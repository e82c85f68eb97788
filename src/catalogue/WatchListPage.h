// Page 0: the watch list 超级列表框1 with the name entry and "添加到列表", "更改名称" and
// "删除商品", and the settings panel of the selected item (宝贝备注, 限拍数量, 选择框1).
// Row p of the list shows record p + 1 of 监控宝贝 as last loaded; the handlers rely on that.
#pragma once

#include "catalogue/CatalogueWidgets.h"
#include "data/Records.h"

#include <QObject>

#include <functional>
#include <optional>
#include <vector>

class QStandardItemModel;

namespace quorvel::data {
class Tables;
}
namespace quorvel::platform {
class Dialogs;
}

namespace quorvel::catalogue {

class EditHint;

class WatchListPage : public QObject {
    Q_OBJECT
  public:
    // `refreshLists` runs at the end of every handler that changed the tables.
    WatchListPage(const CatalogueWidgets& widgets, data::Tables& tables, platform::Dialogs& dialogs,
                  std::function<void()> refreshLists, QObject* parent);

    void LoadWatchList();
    void ShowNameHint();
    // Stops reacting to the controls: the window has begun to destroy them.
    void Detach();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void addItem();
    void renameTicked();
    void deleteTicked();
    void showSelected();
    // Reads the selected item, lets `change` alter one field, writes it back and refreshes.
    void saveSelected(const std::function<void(data::WatchedItem&)>& change);
    std::optional<int> selectedRow() const;
    std::vector<int> tickedRows() const;

    CatalogueWidgets m_widgets;
    data::Tables& m_tables;
    platform::Dialogs& m_dialogs;
    std::function<void()> m_refreshLists;
    QStandardItemModel* m_model;
    EditHint* m_hint;
    const QMetaObject* m_noteClass;
    const QMetaObject* m_limitClass;
    bool m_detached = false;
    std::vector<data::WatchedItem> m_items; // as loaded; names byte for byte
};

} // namespace quorvel::catalogue
