#include "app/tfm_vornel.h"

#include "blocking/desktop.h"
#include "settings/settings_store.h"
#include "settings/start_at_logon.h"
#include "netstat/ports_page.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QToolButton>

bool earlierInstanceClosed = false;

namespace {

constexpr int TitleStripHeight = 24;

} // namespace

TfmVornel::TfmVornel(vornel::Desktop& desktop, vornel::AlertSound& sound, QWidget* parent)
    : QWidget(parent), desktop_(desktop) {
    ui.setupUi(this);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(200);

    vornel::ScanControls controls{ui.lNbre, ui.lTotal, ui.mLog, ui.lb1,
                                  ui.mFen,  ui.cbReduite, ui.eSon, ui.PC};
    scan_ = std::make_unique<vornel::ScanCycle>(desktop, CloseRules, sound, controls,
                                                [this] { return vornel::WindowHandle(winId()); });
    connect(Timer1, &QTimer::timeout, this, [this] { scan_->Timer(); });

    FormCreate();
    connectSettings();
    // Enabled from creation; the first tick comes from the message loop.
    Timer1->start();
}

TfmVornel::~TfmVornel() = default;

void TfmVornel::FormCreate() {
    connections = vornel::createConnectionList(this);
    vornel::setUpPortList(ui.lbPorts);
    scan().refreshPorts = [this] { vornel::refreshPortList(ui.lbPorts, connections, NomsPorts); };
    layOutPages();
    connectBlockingControls();
    // Linux has no Internet Explorer "Window Title" value: it reads as missing.
    TitreIE = " - Microsoft Internet";
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
    ui.pTitre->setGeometry(dx, 0, width() - dx, TitleStripHeight);
    ui.PC->hide();

    const QList<QToolButton*> sideButtons{ui.sb1, ui.sb2, ui.sb3, ui.sb4,
                                          ui.sb5, ui.sb6, ui.sb7};
    for (QToolButton* button : sideButtons)
        connect(button, &QToolButton::clicked, this,
                [this, button] { BtnClick(button->property("tag").toInt()); });
}

// Settings and persistence: the load and the save live in settings/; the
// option check boxes keep the start-at-logon entry in line and save.
void TfmVornel::connectSettings() {
    startAtLogon = vornel::makeStartAtLogon();
    vornel::SettingsControls controls{ui.cbDemarre, ui.cbAfficher, ui.lTotal, ui.eSon,
                                      ui.mFen,      ui.cbMaj,      ui.seMaj,  ui.cbReduite,
                                      ui.lb2,       ui.mLog,       ui.lMaj};
    auto showPage = [this](int page) { BtnClick(page); };
    vornel::SettingsState state{*this,   showPage,  loading,    lastUpdate,
                                TitreIE, NomsPorts, CloseRules, earlierInstanceClosed};
    settings_ = std::make_unique<vornel::SettingsStore>(vornel::settingsFiles(), controls, state);
    for (QCheckBox* option : {ui.cbDemarre, ui.cbAfficher, ui.cbReduite})
        connect(option, &QCheckBox::clicked, this, [this] { Enregistre(); });
    connect(ui.SpeedButton3, &QToolButton::clicked, this, [this] { SpeedButton3Click(); });
    connect(ui.SpeedButton9, &QToolButton::clicked, this, [this] { SpeedButton9Click(); });
}

void TfmVornel::Initialise() {
    settings_->Initialise();
}

void TfmVornel::SauveListe() {
    settings_->SauveListe();
}

void TfmVornel::Enregistre() {
    if (loading) return;
    if (ui.cbDemarre->isChecked())
        startAtLogon->write(QCoreApplication::applicationFilePath());
    else
        startAtLogon->remove();
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

void TfmVornel::BtnClick(int page) {
    const auto controls = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* control : controls) {
        int tag = control->property("tag").toInt();
        if (tag >= 10) control->setVisible(tag == 10 * page);
    }
    ui.PC->setCurrentIndex(page - 1);
    ui.lTitre->setText(ui.PC->widget(page - 1)->toolTip());
}
