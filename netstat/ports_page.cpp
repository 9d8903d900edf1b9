#include "netstat/ports_page.h"

#include "common/error_box.h"
#include "common/program_language.h"
#include "common/same_rows.h"
#include "netstat/ip_connection_list.h"

#include <QListWidget>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace vornel {

namespace {

constexpr int RowHeight = 13;
constexpr int Columns = 2;
// The states StateText names LISTEN and ESTABLISHED.
constexpr int32_t MibListen = 2, MibEstablished = 5;

// Redraws once when it goes, also when the rebuild is cut short.
class BatchUpdate {
public:
    explicit BatchUpdate(QListWidget* list) : list_(list) { list_->setUpdatesEnabled(false); }
    ~BatchUpdate() { list_->setUpdatesEnabled(true); }
    BatchUpdate(const BatchUpdate&) = delete;
    BatchUpdate& operator=(const BatchUpdate&) = delete;

private:
    QListWidget* list_;
};

// Every row the same size, whatever the font: half the list's width, 13 pixels high.
class FixedRowDelegate : public QStyledItemDelegate {
public:
    FixedRowDelegate(QSize rowSize, QObject* parent)
        : QStyledItemDelegate(parent), size_(rowSize) {}
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override { return size_; }

private:
    QSize size_;
};

// A text with one %1, as what comes before and after the number or name.
struct Around {
    explicit Around(const QString& text)
        : before(text.section(QStringLiteral("%1"), 0, 0).toStdString()),
          after(text.section(QStringLiteral("%1"), 1).toStdString()) {}
    std::string before, after;
};

} // namespace

void eachPortLine(const TQuelmarIpConnectionList& connections,
                  const std::vector<std::string>& names,
                  const std::function<void(const std::string&)>& take) {
    // Looked up once, not for every line.
    const Around listeningText(programText("PortsPage", "Port %1 en écoute"));
    const Around connectedText(programText("PortsPage", "Port %1 connecté"));
    const Around namedText(programText("PortsPage", " : %1"));
    std::string line;
    for (int32_t k = 0; k < connections.Count(); ++k) {
        const TIpConnInfo& row = connections.Items(k);
        if (row.Protocol() != "TCP") continue;
        const bool listening = row.State() == MibListen;
        if (!listening && row.State() != MibEstablished) continue;
        const int32_t port = row.LocalPort();
        const Around& state = listening ? listeningText : connectedText;
        line = state.before;
        line += std::to_string(port);
        line += state.after;
        if (port >= 0 && std::size_t(port) < names.size() && !names[std::size_t(port)].empty()) {
            line += namedText.before;
            line += names[std::size_t(port)];
            line += namedText.after;
        }
        take(line);
    }
}

std::vector<std::string> portLines(const TQuelmarIpConnectionList& connections,
                                   const std::vector<std::string>& names) {
    std::vector<std::string> lines;
    eachPortLine(connections, names, [&](const std::string& line) { lines.push_back(line); });
    return lines;
}

void refreshPortList(QListWidget* lbPorts, TQuelmarIpConnectionList* connections,
                     const std::vector<std::string>& names) {
    if (!connections) return;
    try {
        connections->Refresh();
        QStringList lines;
        for (const std::string& line : portLines(*connections, names))
            lines.append(QString::fromStdString(line));
        // The lines already shown are what the rebuild would make of them;
        // leaving them spares the view a layout five times a second.
        if (sameRows(lbPorts, lines)) return;
        BatchUpdate batch(lbPorts);
        const QSignalBlocker quiet(lbPorts);
        const int selected = lbPorts->currentRow();
        lbPorts->clear();
        lbPorts->addItems(lines);
        lbPorts->setCurrentRow(selected < lbPorts->count() ? selected : -1);
    } catch (...) {
        // The page is informational: the next tick tries again.
    }
}

void setUpPortList(QListWidget* lbPorts) {
    lbPorts->setViewMode(QListView::ListMode);
    lbPorts->setFlow(QListView::TopToBottom);
    lbPorts->setWrapping(true);
    lbPorts->setResizeMode(QListView::Adjust);
    lbPorts->setUniformItemSizes(true);
    lbPorts->setSpacing(0);
    const QSize row(lbPorts->contentsRect().width() / Columns, RowHeight);
    lbPorts->setItemDelegate(new FixedRowDelegate(row, lbPorts));
}

TQuelmarIpConnectionList* createConnectionList(QWidget* owner,
                                               std::unique_ptr<ConnListPlatform> platform) {
    try {
        return new TQuelmarIpConnectionList(owner, std::move(platform));
    } catch (const std::exception& error) {
        showErrorBox(owner, QString::fromStdString(error.what()));
        return nullptr;
    }
}

} // namespace vornel
