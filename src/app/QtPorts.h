// The Qt adapters of the ports the window side uses: message boxes and the input box, and the
// system's handler for web addresses. Texts arrive as GBK.
#pragma once

#include "platform/Ports.h"

#include <QPointer>
#include <QWidget>

namespace quorvel::app {

class QtDialogs : public platform::Dialogs {
  public:
    // The boxes are modal to `parent` once it exists; it may be set later.
    explicit QtDialogs(QWidget* parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget* parent) { m_parent = parent; }

    void ShowMessage(std::string_view text, std::string_view title,
                     platform::DialogIcon icon) override;
    bool AskOkCancel(std::string_view text, std::string_view title) override;
    std::optional<std::string> AskText(std::string_view prompt, std::string_view title) override;

  private:
    QPointer<QWidget> m_parent;
};

class QtUrlOpener : public platform::UrlOpener {
  public:
    void Open(std::string_view url) override;
};

} // namespace quorvel::app
