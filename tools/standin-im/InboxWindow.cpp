#include "InboxWindow.h"

#include "StandinIm.h"
#include "platform/posix/ImWindowProtocol.h"
#include "ui/QtText.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace quorvel::standin {
namespace {

constexpr int kFileRole = Qt::UserRole;

QString PathText(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

} // namespace

InboxWindow::InboxWindow(std::filesystem::path imDirectory, std::filesystem::path socket)
    : m_imDirectory(std::move(imDirectory)), m_socket(std::move(socket)),
      m_buyers(new QListWidget(this)), m_messages(new QPlainTextEdit(this)),
      m_status(new QLabel(this)) {
    setWindowTitle(QStringLiteral("standin-im inbox - ") + PathText(m_imDirectory));
    m_messages->setReadOnly(true);
    m_buyers->setMaximumWidth(220);
    auto* panes = new QHBoxLayout;
    panes->addWidget(m_buyers);
    panes->addWidget(m_messages, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addWidget(m_status);
    resize(760, 420);
    connect(m_buyers, &QListWidget::currentRowChanged, this, [this] { showSelected(); });
    connect(&m_timer, &QTimer::timeout, this, [this] { refresh(); });
    m_timer.start(500);
    refresh();
}

void InboxWindow::refresh() {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(m_imDirectory, ec)) {
        if (BuyerOfTranscript(entry.path())) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    if (static_cast<int>(files.size()) != m_buyers->count()) {
        const QString current =
            m_buyers->currentItem() ? m_buyers->currentItem()->data(kFileRole).toString() : "";
        m_buyers->clear();
        for (const auto& file : files) {
            auto* item = new QListWidgetItem(ui::FromGbk(*BuyerOfTranscript(file)), m_buyers);
            item->setData(kFileRole, PathText(file));
            if (PathText(file) == current || (current.isEmpty() && m_buyers->count() == 1)) {
                m_buyers->setCurrentItem(item);
            }
        }
    }
    showSelected();

    const auto answer = platform::posix::ImRequest(m_socket, {"WINDOWS"}, std::chrono::seconds(1));
    if (!answer || answer->empty() || answer->front() != "OK") {
        m_status->setText(QStringLiteral("service: not running (") + PathText(m_socket) + ")");
        return;
    }
    QStringList titles;
    for (std::size_t i = 3; i < answer->size(); i += 3) {
        titles << ui::FromGbk((*answer)[i]);
    }
    m_status->setText(QStringLiteral("service: running; open chat windows: %1 %2")
                          .arg(titles.size())
                          .arg(titles.join(QStringLiteral(", "))));
}

void InboxWindow::showSelected() {
    const QListWidgetItem* item = m_buyers->currentItem();
    if (item == nullptr) {
        m_messages->setPlainText(QStringLiteral("(no messages yet)"));
        m_shownBuyer.clear();
        return;
    }
    const QString file = item->data(kFileRole).toString();
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(file.toStdString(), ec);
    if (file == m_shownBuyer && size == m_shownSize) {
        return;
    }
    m_shownBuyer = file;
    m_shownSize = size;
    QStringList shown;
    for (const std::string& message : ReadTranscript(file.toStdString())) {
        shown << ui::FromGbk(message).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    }
    m_messages->setPlainText(
        shown.join(QStringLiteral("\n") + QString(40, QChar(0x2500)) + QStringLiteral("\n")));
    m_messages->moveCursor(QTextCursor::End);
}

} // namespace quorvel::standin
