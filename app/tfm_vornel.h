#pragma once

#include "blocking/close_rules.h"
#include "blocking/scan_cycle.h"
#include "common/main_window_page.h"
#include "ui_tfm_vornel.h"
#include "update/page_browser.h"

#include <QDate>
#include <QProperty>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

class TfmFerme;
class TfmVornelTray;

namespace vornel {
class AlertSound;
class Desktop;
class SavePacer;
class SettingsStore;
class StartAtLogon;
class TQuelmarIpConnectionList;
} // namespace vornel

// Set when start-up found an earlier instance and asked it to close.
extern bool earlierInstanceClosed;

// The main window. Options live in its controls (ui): the load writes into
// them and the save reads from them.
class TfmVornel : public QWidget {
    Q_OBJECT

public:
    // tray: the notification-area form that gets the icon; none in tests
    // that need no icon.
    TfmVornel(vornel::Desktop& desktop, vornel::AlertSound& sound, TfmVornelTray* tray = nullptr,
              QWidget* parent = nullptr);
    ~TfmVornel() override;

    static constexpr char SiteAddress[] = "http://www.vornel.example.org/";

    // The window as a whole: shown, typed at, closed from its pages.
    void FormShow();
    void FormKeyPress(QChar key);
    void Label10Click();
    void SpeedButton10Click();
    void SpeedButton11Click();

    Ui::TfmVornel ui;
    QTimer* Timer1 = nullptr;
    vornel::CloseRules CloseRules;

    // Page switch: shows a page, as its side button does.
    void BtnClick(vornel::Page page);
    vornel::Page currentPage() const { return vornel::Page(ui.PC->currentIndex() + 1); }

    // Settings and persistence: load, save everything, and the option
    // check boxes' handler (start at logon, then save).
    void Initialise();
    void SauveListe();
    void Enregistre();
    bool loading = false;
    QDate lastUpdate;
    std::unique_ptr<vornel::StartAtLogon> startAtLogon;
    // Alert sound: "Choisir..." and "Aucun".
    void SpeedButton3Click();
    void SpeedButton9Click();

    // Port names by number (65536 entries once loaded; empty is no name).
    std::vector<std::string> NomsPorts;
    // The connection-table reader of the ports page, owned by this window;
    // null when it could not be made.
    vornel::TQuelmarIpConnectionList* connections = nullptr;

    // Candidates and the rule editor (created before this window, set by start-up).
    TfmFerme* fmFerme = nullptr;
    std::string TitreIE;
    QString TitreCourt(const QString& rowText);
    void sbFermerClick();
    // The window chosen for a rule has closed since it was listed: says so.
    void windowGone();
    // What the user must know about the desktop watched (French, "what : what
    // to do"): a line above the candidate list and the icon's tip. Empty:
    // nothing to say, and a line shown before goes (HideDesktopNotice).
    void ShowDesktopNotice(const QString& notice);
    void HideDesktopNotice();
    // The rule list's line for a row: an administrator's rule says so.
    QString ruleRowText(int row) const;
    // Browser names, candidate list, rule list and statistics page (blocking/).
    void FenetresDefaut();
    void sbFenDefautClick();
    void lb1Click();
    void sbNewClick();
    void sbModifierClick();
    void sbSuppClick();
    void lb2Click();
    void SpeedButton1Click();

    // Update page: its request, and its browser, made on the first request
    // by makePageBrowser.
    QString updateUrl;
    void sbMajClick();
    vornel::PageBrowserFactory makePageBrowser;
    std::unique_ptr<vornel::PageBrowser> wb;
    // How long the browser outlives a visit: once the page has been left (or
    // the window hidden) that long, the browser and the web engine's
    // processes go, and coming back to the page makes them again.
    std::chrono::milliseconds browserKeptFor = std::chrono::minutes(1);

    vornel::Desktop& desktop() { return desktop_; }
    vornel::ScanCycle& scan() { return *scan_; }
    const vornel::SavePacer& closingsSave() const { return *closingsSave_; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void tickOnWake();
    void restUnlessBusy();
    void FormDestroy();
    void layOutPages();
    void fitTextsToFont();
    void setWindowLook();
    void connectUpdatePage();
    void showUpdatePage(const QString& address);
    void updatePageShown(bool shown);
    void releaseBrowser();
    void connectSettings();
    void applySystemSettings();
    void showNotices();
    void showNoticeLine(const QString& text);
    void hideNoticeLine();
    // Rule list, candidate list and statistics page (blocking/).
    void connectBlockingControls();
    bool editorAlreadyOpen();
    bool refusedAsFull();
    void appendRule(const vornel::TCond& rule);

    vornel::Desktop& desktop_;
    TfmVornelTray* tray_ = nullptr;
    bool makingBrowser_ = false; // the update page's browser is being made
    QString pageAddress_;        // the update page's last request
    QTimer* browserRelease_ = nullptr;
    bool shownBefore_ = false;
    std::unique_ptr<vornel::ScanCycle> scan_;
    QPropertyNotifier pauseEnds_;
    std::unique_ptr<vornel::SettingsStore> settings_;
    // The notice line's two parts: the desktop's, and the settings' (a
    // settings file taken over into the user's folder, what the machine's
    // settings file holds that cannot be used).
    QString desktopNotice_;
    QString settingsNotice_;
    // Brings the closings to disk between the commands' saves.
    vornel::SavePacer* closingsSave_ = nullptr;
    // The sound file last chosen with "Choisir...", where its dialog opens.
    QString chosenSound_;
};
