#pragma once

#include <QIcon>
#include <QSystemTrayIcon>
#include <QWidget>
#include <cstdint>

class QMenu;
class TfmVornel;
namespace vornel {
class HostedTrayIcon;
}

// The hidden form behind the notification-area icon and its menu. It is never
// shown; closing it ends the program.
class TfmVornelTray : public QWidget {
    Q_OBJECT

public:
    static constexpr int NIM_ADD = 0, NIM_MODIFY = 1, NIM_DELETE = 2;
    static constexpr int NIF_MESSAGE = 1, NIF_ICON = 2, NIF_TIP = 4;
    static constexpr int TrayId = 990;
    static constexpr int MaxTipBytes = 63;

    explicit TfmVornelTray(QWidget* parent = nullptr);
    ~TfmVornelTray() override;

    // The main window, set by start-up once it exists.
    TfmVornel* fmVornel = nullptr;
    QMenu* PopupMenu1 = nullptr;
    // The program's two tray icons, loaded once for the whole run.
    const QIcon MAINICON;
    const QIcon PAUSE;

    void AddTrayIcon(int32_t id, const QIcon& icon, const QString& tip);
    bool NotifyTray(int command, int flags);
    void SetTrayIcon(const QIcon& icon);
    // A tip other than "Vornel", for a desktop whose windows cannot all be seen.
    void SetTrayTip(const QString& tip);

    void PopupMenu1Popup();
    void FormClick(const QString& window);
    void PauseClick();
    void Afficher1Click();
    void Quitter1Click();

    // Whether the icon can be seen: the desktop has a notification area.
    bool trayAvailable() const;
    // True once the form has closed: the program is ending.
    bool hasClosed() const { return closed_; }

signals:
    // The form is closing: the program ends once the icon is gone and saved.
    void ending();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormClose();
    void CreateShellIcon();
    void DefaultHandler(QSystemTrayIcon::ActivationReason reason);

    // One or the other: the tray host's icon, whose menu the host draws, or
    // Qt's, whose menu is popped up here.
    vornel::HostedTrayIcon* hostedIcon_ = nullptr;
    QSystemTrayIcon* shellIcon_ = nullptr;
    QIcon trayIcon;
    QString trayTip;
    int32_t trayId = 0;
    bool trayShown = false;
    bool closed_ = false;
};
