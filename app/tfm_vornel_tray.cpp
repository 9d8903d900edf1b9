#include "app/tfm_vornel_tray.h"

#include "app/icons.h"
#include "app/tfm_vornel.h"
#include "app/tray_host.h"
#include "blocking/list_rows.h"
#include "common/log_categories.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QMenu>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStyle>
#include <utility>

namespace {

// A tip cut to its byte limit, never inside a UTF-8 sequence.
QString cutTip(const QString& tip, int maxBytes) {
    QByteArray bytes = tip.toUtf8();
    if (bytes.size() <= maxBytes) return tip;
    qsizetype end = maxBytes;
    while (end > 0 && (uchar(bytes[end]) & 0xC0) == 0x80)
        --end;
    return QString::fromUtf8(bytes.left(end));
}

// The same calls reach either kind of icon.
template <class Icon>
void notify(Icon* icon, int command, int flags, const QIcon& image, const QString& tip) {
    if (flags & TfmVornelTray::NIF_ICON) icon->setIcon(image);
    if (flags & TfmVornelTray::NIF_TIP) icon->setToolTip(tip);
    if (command == TfmVornelTray::NIM_ADD) icon->setVisible(true);
    if (command == TfmVornelTray::NIM_DELETE) icon->setVisible(false);
}

// A window title as a menu caption: its ampersands are text, not accelerators.
QString literalCaption(QString text) {
    return text.replace(u'&', QStringLiteral("&&"));
}

} // namespace

TfmVornelTray::TfmVornelTray(QWidget* parent)
    : QWidget(parent), MAINICON(vornel::programIcon(QStringLiteral("MAINICON"))),
      PAUSE(vornel::programIcon(QStringLiteral("PAUSE"))) {
    setObjectName(QStringLiteral("TfmVornelTray"));
    setWindowTitle(QStringLiteral("Vornel"));
    resize(180, 121);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    // Without candidate windows the menu begins with its separator, shown.
    PopupMenu1->setSeparatorsCollapsible(false);
    connect(PopupMenu1, &QMenu::aboutToShow, this, &TfmVornelTray::PopupMenu1Popup);
    if (vornel::trayHostReady(this, [this] { CreateShellIcon(); })) CreateShellIcon();
}

// The icon the program asked for so far shows as soon as there is a tray.
// A host that answers after Qt's icon is up takes its place.
void TfmVornelTray::CreateShellIcon() {
    if (hostedIcon_) return;
    hostedIcon_ = vornel::hostedTrayIcon(PopupMenu1, this);
    if (hostedIcon_) {
        delete std::exchange(shellIcon_, nullptr);
    } else if (!shellIcon_) {
        shellIcon_ = new QSystemTrayIcon(this);
        // Queued: "Quitter" chosen in the menu removes the icon, and with it
        // the widget whose press handler would otherwise still be running.
        connect(shellIcon_, &QSystemTrayIcon::activated, this, &TfmVornelTray::DefaultHandler,
                Qt::QueuedConnection);
    }
    if (trayShown) NotifyTray(NIM_ADD, 0);
}

bool TfmVornelTray::trayAvailable() const {
    return hostedIcon_ || (shellIcon_ && QSystemTrayIcon::isSystemTrayAvailable());
}

TfmVornelTray::~TfmVornelTray() = default;

void TfmVornelTray::AddTrayIcon(int32_t id, const QIcon& icon, const QString& tip) {
    trayId = id;
    trayIcon = icon;
    trayTip = tip;
    trayShown = true;
    NotifyTray(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP);
}

bool TfmVornelTray::NotifyTray(int command, int flags) {
    if (trayId == 0 || (!shellIcon_ && !hostedIcon_)) return false;
    if (command == NIM_ADD) flags |= NIF_MESSAGE | NIF_ICON | NIF_TIP;
    const QIcon image =
        trayIcon.isNull() ? style()->standardIcon(QStyle::SP_ComputerIcon) : trayIcon;
    const QString tip = cutTip(trayTip, MaxTipBytes);
    if (hostedIcon_) notify(hostedIcon_, command, flags, image, tip);
    if (shellIcon_) notify(shellIcon_, command, flags, image, tip);
    return trayAvailable();
}

void TfmVornelTray::SetTrayIcon(const QIcon& icon) {
    if (!trayShown || icon.cacheKey() == trayIcon.cacheKey()) return;
    trayIcon = icon;
    NotifyTray(NIM_MODIFY, NIF_ICON);
}

void TfmVornelTray::SetTrayTip(const QString& tip) {
    trayTip = tip;
    if (trayShown) NotifyTray(NIM_MODIFY, NIF_TIP);
}

// Either button pressed on the icon opens the menu where the mouse is.
void TfmVornelTray::DefaultHandler(QSystemTrayIcon::ActivationReason reason) {
    if (trayId == 0) return;
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::Context) return;
    if (PopupMenu1->isVisible()) return;
    PopupMenu1->exec(QCursor::pos());
}

void TfmVornelTray::PopupMenu1Popup() {
    PopupMenu1->clear();
    if (!fmVornel) return;
    QListWidget* lb1 = fmVornel->ui.lb1;
    // Each item keeps its window's handle: a tick may reorder the list while
    // the menu is open.
    for (int i = 0; i < lb1->count(); ++i) {
        const QString window = lb1->item(i)->text();
        QAction* item = PopupMenu1->addAction(literalCaption(fmVornel->TitreCourt(window)));
        connect(item, &QAction::triggered, this, [this, window] { FormClick(window); });
    }
    PopupMenu1->addSeparator();
    const bool running = fmVornel->Timer1->isActive();
    connect(PopupMenu1->addAction(running ? tr("Mettre en pause") : tr("Activer Vornel")),
            &QAction::triggered, this, &TfmVornelTray::PauseClick);
    connect(PopupMenu1->addAction(tr("Afficher la fenêtre")), &QAction::triggered, this,
            &TfmVornelTray::Afficher1Click);
    connect(PopupMenu1->addAction(tr("Quitter")), &QAction::triggered, this,
            &TfmVornelTray::Quitter1Click);
}

void TfmVornelTray::FormClick(const QString& window) {
    if (!fmVornel) return;
    // The rule editor (or another dialog) is already open: bring it forward
    // rather than open a second one.
    if (QWidget* open = QApplication::activeModalWidget()) {
        open->raise();
        open->activateWindow();
        return;
    }
    QListWidget* lb1 = fmVornel->ui.lb1;
    // The window's line, wherever the scan has put it since the menu opened;
    // a window that is no longer listed has gone, and the user is told so
    // rather than shown another one.
    const QList<QListWidgetItem*> lines = lb1->findItems(window, Qt::MatchExactly);
    if (lines.isEmpty()) {
        fmVornel->windowGone();
        return;
    }
    // The line is selected for the rule editor only, quietly: only the user's
    // own choice in the list enables "&Fermer automatiquement cette fenêtre de
    // pub". Afterwards the list shows that choice again, so what shows
    // selected and the button agree.
    const int usersRow = vornel::selectedRow(lb1);
    const QString usersWindow = usersRow >= 0 ? lb1->item(usersRow)->text() : QString();
    {
        const QSignalBlocker quiet(lb1);
        lb1->setCurrentItem(lines.first());
    }
    fmVornel->sbFermerClick();
    const QSignalBlocker quiet(lb1);
    const QList<QListWidgetItem*> users = usersWindow.isEmpty()
                                              ? QList<QListWidgetItem*>()
                                              : lb1->findItems(usersWindow, Qt::MatchExactly);
    if (!users.isEmpty())
        lb1->selectionModel()->select(lb1->indexFromItem(users.first()),
                                      QItemSelectionModel::ClearAndSelect);
    else
        lb1->clearSelection();
}

void TfmVornelTray::PauseClick() {
    if (!fmVornel) return;
    QTimer* timer = fmVornel->Timer1;
    if (timer->isActive())
        timer->stop();
    else
        timer->start();
    qCDebug(vornel::lcScan, "%s",
            timer->isActive() ? "resumed: the scan tests the windows again"
                              : "paused: no window is tested, closed or listed until resumed");
    SetTrayIcon(timer->isActive() ? MAINICON : PAUSE);
}

void TfmVornelTray::Afficher1Click() {
    if (!fmVornel) return;
    // Minimised, the window counts as shown; without a taskbar the user
    // would have no other way to get it back.
    fmVornel->setWindowState(fmVornel->windowState() & ~Qt::WindowMinimized);
    fmVornel->show();
    fmVornel->raise();
    fmVornel->activateWindow();
}

void TfmVornelTray::Quitter1Click() {
    close();
}

void TfmVornelTray::closeEvent(QCloseEvent* event) {
    event->accept();
    if (closed_) return;
    closed_ = true;
    emit ending();
    // The program ends even when the save fails: its icon is gone already,
    // and it must not run on out of reach.
    auto endLoop = qScopeGuard([] { QCoreApplication::exit(0); });
    FormClose();
}

void TfmVornelTray::FormClose() {
    NotifyTray(NIM_DELETE, 0);
    if (fmVornel) fmVornel->Enregistre();
}
