// standin-im-inbox: the buyers' side of the stand-in, for the demo. Lists the buyers that have
// transcripts, shows the selected buyer's messages as they arrive, and the service's state.
#pragma once

#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTimer>
#include <QWidget>

#include <filesystem>

namespace quorvel::standin {

class InboxWindow : public QWidget {
  public:
    InboxWindow(std::filesystem::path imDirectory, std::filesystem::path socket);
    // Reads the directory, the selected transcript and the service's windows again.
    void refresh();

  private:
    void showSelected();

    std::filesystem::path m_imDirectory;
    std::filesystem::path m_socket;
    QListWidget* m_buyers;
    QPlainTextEdit* m_messages;
    QLabel* m_status;
    QTimer m_timer;
    std::uintmax_t m_shownSize = 0;
    QString m_shownBuyer;
};

} // namespace quorvel::standin
