#include "app/tfm_vornel.h"

#include "app/shared_accelerators.h"
#include "app/tfm_vornel_tray.h"
#include "app/vornel_application.h"
#include "blocking/default_browser.h"
#include "blocking/desktop.h"
#include "common/error_box.h"
#include "common/log_categories.h"
#include "netstat/ports_page.h"
#include "settings/save_pacer.h"
#include "settings/settings_store.h"
#include "settings/start_at_logon.h"
#include "settings/system_settings.h"
#include "update/update_address.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QScreen>
#include <QToolButton>
#include <QUrl>
#include <limits>

bool earlierInstanceClosed = false;

namespace {

constexpr int TitleStripHeight = 24;
constexpr int ClientWidth = 447;
constexpr int ClientHeight = 348;

constexpr std::chrono::milliseconds TickPeriod{200};
// Timer1 stays started while the scan is not paused (the pause stops it),
// but at rest its next timeout is weeks away: it wakes nobody.
constexpr std::chrono::milliseconds AtRest{std::numeric_limits<int>::max()};

} // namespace

TfmVornel::TfmVornel(vornel::Desktop& desktop, vornel::AlertSound& sound, TfmVornelTray* tray,
                     QWidget* parent)
    : QWidget(parent), desktop_(desktop), tray_(tray) {
    ui.setupUi(this);
    setWindowLook();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(TickPeriod);

    vornel::ScanControls controls{ui.lNbre, ui.lTotal,    ui.mLog, ui.lb1,
                                  ui.mFen,  ui.cbReduite, ui.eSon, ui.PC};
    scan_ = std::make_unique<vornel::ScanCycle>(desktop, CloseRules, sound, controls,
                                                [this] { return vornel::WindowHandle(winId()); });
    connect(Timer1, &QTimer::timeout, this, [this] {
        scan_->Timer();
        restUnlessBusy();
    });
    tickOnWake();

    FormCreate();
    connectSettings();
    // Enabled from creation; the first tick comes from the message loop.
    Timer1->start();
}

TfmVornel::~TfmVornel() {
    // The message loop has ended: an error box is the last thing this can show.
    vornel::reportingErrors([this] { FormDestroy(); });
}

void TfmVornel::FormCreate() {
    if (tray_) tray_->AddTrayIcon(TfmVornelTray::TrayId, tray_->MAINICON, QStringLiteral("Vornel"));
    connections = vornel::createConnectionList(this);
    vornel::setUpPortList(ui.lbPorts);
    scan().refreshPorts = [this] { vornel::refreshPortList(ui.lbPorts, connections, NomsPorts); };
    layOutPages();
    connectUpdatePage();
    connectBlockingControls();
    vornel::clickEarlierOnSharedAccelerators(this);
    TitreIE = vornel::defaultBrowserTitle();
}

void TfmVornel::ShowDesktopNotice(const QString& notice) {
    desktopNotice_ = notice;
    showNotices();
}

void TfmVornel::HideDesktopNotice() {
    desktopNotice_.clear();
    showNotices();
}

void TfmVornel::showNotices() {
    QStringList notices;
    for (const QString& notice : {desktopNotice_, settingsNotice_})
        if (!notice.isEmpty()) notices << notice;
    if (notices.isEmpty())
        hideNoticeLine();
    else
        showNoticeLine(notices.join(u'\n'));
}

void TfmVornel::showNoticeLine(const QString& notice) {
    ui.lBureau->setText(notice);
    ui.lBureau->setProperty("tag", ui.lb1->property("tag"));
    ui.lBureau->setVisible(ui.lb1->isVisibleTo(this));
    // The list makes room for the line above it.
    const QRect list = ui.lb1->geometry();
    const int below = ui.lBureau->geometry().bottom() + 1;
    ui.lb1->setGeometry(list.x(), below, list.width(), list.bottom() + 1 - below);
    // The tip is short: the notice up to its colon says what is wrong (" : "
    // in French, ": " in English; a colon inside a name has no blank after it).
    static const QRegularExpression colon(QStringLiteral(" ?: "));
    if (tray_) tray_->SetTrayTip(QStringLiteral("Vornel\n") + notice.section(colon, 0, 0));
}

// The line goes, the list takes its room back, the tip is the usual one.
void TfmVornel::hideNoticeLine() {
    if (ui.lBureau->text().isEmpty()) return;
    const QRect list = ui.lb1->geometry();
    const int top = ui.lBureau->geometry().top();
    ui.lb1->setGeometry(list.x(), top, list.width(), list.bottom() + 1 - top);
    ui.lBureau->clear();
    ui.lBureau->setProperty("tag", 0);
    ui.lBureau->hide();
    if (tray_) tray_->SetTrayTip(QStringLiteral("Vornel"));
}

void TfmVornel::FormDestroy() {
    Enregistre();
}

// A small fixed window that stays above the browser windows it watches.
void TfmVornel::setWindowLook() {
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(ClientWidth, ClientHeight);
    // A memo's text area is its viewport, which has a text cursor of its own.
    for (QPlainTextEdit* memo : {ui.Memo1, ui.mLog})
        memo->viewport()->setCursor(Qt::ArrowCursor);
    ui.Label10->installEventFilter(this);
    connect(ui.SpeedButton10, &QToolButton::clicked, this, &TfmVornel::SpeedButton10Click);
    connect(ui.SpeedButton11, &QToolButton::clicked, this, &TfmVornel::SpeedButton11Click);
}

// A tick runs only when something it reads has changed. Timer1 ticks at
// its period while there is work, and rests once a tick leaves none. The
// desktop, the rules, the browser names, the option on minimised windows
// and the page on show wake it; a resume (Timer1 started again after a
// pause) ticks once.
void TfmVornel::tickOnWake() {
    scan_->woken = [this] {
        // A tick already due keeps its time: events that come faster than the
        // period must not put it off.
        if (Timer1->isActive() && Timer1->intervalAsDuration() != TickPeriod)
            Timer1->setInterval(TickPeriod);
    };
    CloseRules.watch([this] { scan_->wake(); });
    connect(ui.mFen, &QPlainTextEdit::textChanged, this, [this] { scan_->wake(); });
    connect(ui.cbReduite, &QCheckBox::toggled, this, [this] { scan_->wake(); });
    pauseEnds_ = Timer1->bindableActive().addNotifier([this] {
        if (!Timer1->isActive()) Timer1->setInterval(TickPeriod);
    });
}

void TfmVornel::restUnlessBusy() {
    if (Timer1->isActive() && !scan_->moreToDo()) Timer1->setInterval(AtRest);
}

// Shown or brought back from the taskbar: the ports page may be on show.
void TfmVornel::changeEvent(QEvent* event) {
    if (event->type() == QEvent::WindowStateChange) scan_->wake();
    QWidget::changeEvent(event);
}

void TfmVornel::showEvent(QShowEvent* event) {
    scan_->wake();
    if (!event->spontaneous() && !makingBrowser_) {
        if (!shownBefore_) {
            shownBefore_ = true;
            const QRect screen = this->screen()->availableGeometry();
            move(screen.center() - QPoint(ClientWidth / 2, ClientHeight / 2));
        }
        FormShow();
    }
    QWidget::showEvent(event);
}

void TfmVornel::FormShow() {
    setWindowTitle(tr("Vornel %1 - ferme les fenêtres de pub de votre navigateur")
                       .arg(QStringLiteral(VORNEL_VERSION)));
    updateUrl = vornel::updateAddress();
    BtnClick(vornel::Page::Welcome);
}

// Only when the window itself has the focus: a list or a memo keeps its keys.
void TfmVornel::keyPressEvent(QKeyEvent* event) {
    QWidget* focus = QApplication::focusWidget();
    if ((focus == nullptr || focus == this) && event->text().size() == 1)
        FormKeyPress(event->text().front());
    QWidget::keyPressEvent(event);
}

void TfmVornel::FormKeyPress(QChar key) {
    if (key != u'p') return;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Vornel"), QStringLiteral("ok"),
                    QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("okBox"));
    box.exec();
}

bool TfmVornel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui.Label10 && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        ui.Label10->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
        Label10Click();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TfmVornel::Label10Click() {
    QDesktopServices::openUrl(QUrl(QString::fromLatin1(SiteAddress)));
}

void TfmVornel::SpeedButton10Click() {
    if (tray_) tray_->close();
}

void TfmVornel::SpeedButton11Click() {
    hide();
}

// Every page is designed on a sheet of the hidden page control PC; its
// controls move onto the window beside the side buttons, tagged 10 x page.
void TfmVornel::layOutPages() {
    const int dx = 3 * ui.sb1->x() + ui.sb1->width();
    for (int n = 1; n <= 7; ++n) {
        auto* sheet = ui.PC->findChild<QWidget*>(QStringLiteral("ts%1").arg(n));
        if (!sheet) continue;
        const auto children = sheet->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* control : children) {
            QPoint at = control->pos() + QPoint(dx, TitleStripHeight);
            control->setParent(this);
            control->move(at);
            control->setProperty("tag", 10 * n);
        }
    }
    // The desktop's notice takes part in page switches only once there is one.
    ui.lBureau->setProperty("tag", 0);
    ui.lBureau->hide();
    ui.pTitre->setGeometry(dx, 0, width() - dx, TitleStripHeight);
    ui.PC->hide();
    fitTextsToFont();

    const QList<QToolButton*> sideButtons{ui.sb1, ui.sb2, ui.sb3, ui.sb4, ui.sb5, ui.sb6, ui.sb7};
    for (QToolButton* button : sideButtons)
        connect(button, &QToolButton::clicked, this,
                [this, button] { BtnClick(vornel::Page(button->property("tag").toInt())); });
}

// The texts were sized for the designer's font; with the font this desktop
// has, no French text may be cut off. One-line labels and check boxes grow
// (never shrink); a wrapped label has its neighbour right below, so its font
// steps down until its lines fit.
void TfmVornel::fitTextsToFont() {
    const auto controls = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        auto* label = qobject_cast<QLabel*>(control);
        if (!label && !qobject_cast<QCheckBox*>(control)) continue;
        control->ensurePolished();
        if (label && label->wordWrap()) {
            for (int px = 10; px >= 9 && label->heightForWidth(label->width()) > label->height();
                 --px) {
                label->setStyleSheet(QStringLiteral("font-size: %1px;").arg(px));
                label->ensurePolished();
            }
        } else {
            control->resize(control->sizeHint().expandedTo(control->size()));
        }
    }
}

// Settings and persistence: the load and the save live in settings/; the
// option check boxes keep the start-at-logon entry in line and save.
void TfmVornel::connectSettings() {
    startAtLogon = vornel::makeStartAtLogon();
    vornel::SettingsControls controls{ui.cbDemarre, ui.cbAfficher, ui.lTotal, ui.eSon,
                                      ui.mFen,      ui.cbMaj,      ui.seMaj,  ui.cbReduite,
                                      ui.lb2,       ui.mLog,       ui.lMaj};
    auto showPage = [this](vornel::Page page) { BtnClick(page); };
    vornel::SettingsState state{*this,   showPage,  loading,    lastUpdate,
                                TitreIE, NomsPorts, CloseRules, earlierInstanceClosed};
    settings_ = std::make_unique<vornel::SettingsStore>(vornel::settingsFiles(), controls, state,
                                                        vornel::systemSettingsPath());
    for (QCheckBox* option : {ui.cbDemarre, ui.cbAfficher, ui.cbReduite})
        connect(option, &QCheckBox::clicked, this, [this] { Enregistre(); });
    // A closing is on disk within seconds: a crash, a kill or a power cut
    // would otherwise take every closing since the last command with it.
    closingsSave_ = new vornel::SavePacer(
        [this] {
            if (!loading) settings_->SauveListe(vornel::SettingsStore::Reporting::FirstOfARun);
        },
        this);
    scan().closed = [this] { closingsSave_->request(); };
    connect(ui.SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
    connect(ui.SpeedButton9, &QToolButton::clicked, this, [this] { SpeedButton9Click(); });
}

// A settings file beside the program that this user cannot write gives way
// to a copy in the user's folder; the user hears of it once, as it is made.
void TfmVornel::Initialise() {
    const QString moved = vornel::takeOverPassedOver(settings_->files());
    if (!moved.isEmpty()) qCWarning(vornel::lcSettings, "%s", qUtf8Printable(moved));
    settingsNotice_ = moved;
    settings_->Initialise();
    applySystemSettings();
}

// What the administrator imposes cannot be changed on the options page, and
// what the machine's file holds that cannot be used is told, line by line on
// stderr and the first of them in the notice line.
void TfmVornel::applySystemSettings() {
    const vornel::SystemSettings& system = settings_->system();
    const std::pair<const char*, std::vector<QWidget*>> options[] = {
        {"Demarre", {ui.cbDemarre}},
        {"Afficher", {ui.cbAfficher}},
        {"FenetreReduite", {ui.cbReduite}},
        {"Son", {ui.eSon, ui.SpeedButton3, ui.SpeedButton9}},
        {"Fenetre1", {ui.mFen, ui.sbFenDefaut}},
        {"Maj", {ui.cbMaj}},
        {"MajJour", {ui.seMaj}},
    };
    for (const auto& [key, controls] : options) {
        if (!system.imposes(key)) continue;
        for (QWidget* control : controls) {
            control->setEnabled(false);
            control->setToolTip(tr("Réglage imposé par l'administrateur"));
        }
    }
    const QStringList problems = system.problems();
    for (const QString& problem : problems)
        qCWarning(vornel::lcSettings, "%s", qUtf8Printable(problem));
    if (!problems.isEmpty()) {
        QString ignored = tr("Réglages de l'administrateur ignorés : %1").arg(problems.first());
        if (problems.size() == 2) ignored += tr(" (et 1 autre ligne)");
        if (problems.size() > 2) ignored += tr(" (et %1 autres lignes)").arg(problems.size() - 1);
        settingsNotice_ += (settingsNotice_.isEmpty() ? QString() : QStringLiteral("\n")) + ignored;
    }
    if (!settingsNotice_.isEmpty()) showNotices();
}

void TfmVornel::SauveListe() {
    settings_->SauveListe();
}

// A start-at-logon entry that cannot be written leaves the box ticked and
// saved, as the user asked; the user is told it will not start the program.
void TfmVornel::Enregistre() {
    if (loading) return;
    QString why;
    if (!ui.cbDemarre->isChecked()) {
        startAtLogon->remove();
    } else if (!startAtLogon->write(QCoreApplication::applicationFilePath(), &why)) {
        const QString message = tr("Le raccourci qui lance Vornel à l'ouverture de la session "
                                   "n'a pas pu être créé%1 : Vornel ne démarrera pas tout seul.")
                                    .arg(why.isEmpty() ? QString() : " (" + why + ")");
        qCWarning(vornel::lcSettings, "%s", qUtf8Printable(message));
        vornel::showErrorBox(this, message);
    }
    SauveListe();
}

void TfmVornel::SpeedButton3Click() {
    QFileDialog od(this, QString(), QString(), QStringLiteral("*.wav"));
    od.setObjectName(QStringLiteral("od"));
    od.setDefaultSuffix(QStringLiteral("wav"));
    od.setFileMode(QFileDialog::ExistingFile);
    if (!chosenSound_.isEmpty()) od.selectFile(chosenSound_);
    if (od.exec() != QDialog::Accepted || od.selectedFiles().isEmpty()) return;
    chosenSound_ = od.selectedFiles().constFirst();
    ui.eSon->setText(chosenSound_);
    SauveListe();
}

void TfmVornel::SpeedButton9Click() {
    ui.eSon->clear();
    SauveListe();
}

void TfmVornel::BtnClick(vornel::Page page) {
    const auto controls = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        int tag = control->property("tag").toInt();
        if (tag >= 10) control->setVisible(tag == 10 * int(page));
    }
    ui.PC->setCurrentIndex(vornel::pageIndex(page));
    ui.lTitre->setText(ui.PC->currentWidget()->toolTip());
    scan_->wake();
}
