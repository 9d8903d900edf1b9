#include "blocking/tfm_ferme.h"

#include <QKeyEvent>
#include <QWindow>

namespace {

constexpr int NoCondition = 2;

// "Y" selects the first item, "E" the second, anything else the third.
int itemOfMode(const std::string& mode) {
    if (mode == ModeLetters[0]) return 0;
    if (mode == ModeLetters[1]) return 1;
    return NoCondition;
}

// A few titles, each kept short, so that the line fits beside the buttons.
QString quotedTitles(const QStringList& titles) {
    constexpr int Shown = 3, Longest = 40;
    QStringList quoted;
    for (const QString& title : titles.mid(0, Shown))
        quoted << QStringLiteral("« %1 »").arg(
            title.size() > Longest ? title.left(Longest - 1) + QChar(0x2026) : title);
    if (titles.size() > Shown) quoted << QString(QChar(0x2026));
    return quoted.join(QStringLiteral(", "));
}

QString windowsText(qsizetype count) {
    return (count == 1 ? TfmFerme::tr("%1 fenêtre") : TfmFerme::tr("%1 fenêtres")).arg(count);
}

// Only browser windows are closed; the others the rule holds for are named
// apart, so that a rule that would never close them is not taken for one
// that does.
QString whatItCloses(const std::vector<vornel::HeldWindow>& held) {
    QStringList closed, left;
    for (const vornel::HeldWindow& w : held)
        (w.browser ? closed : left) << QString::fromStdString(w.title);
    if (held.empty()) return TfmFerme::tr("Aucune fenêtre ouverte ne correspond à cette règle.");
    QString text = closed.isEmpty()
                       ? TfmFerme::tr("Cette règle ne fermerait maintenant aucune fenêtre.")
                       : TfmFerme::tr("Cette règle fermerait maintenant %1 : %2")
                             .arg(windowsText(closed.size()), quotedTitles(closed));
    if (left.isEmpty()) return text;
    if (!closed.isEmpty()) text += '.';
    // Whole sentences, each translated as one.
    QString others;
    if (left.size() == 1)
        others = closed.isEmpty() ? TfmFerme::tr(" Elle vaut pour %1 qui n'est pas de navigateur "
                                                 "et resterait ouverte : %2.")
                                  : TfmFerme::tr(" Elle vaut aussi pour %1 qui n'est pas de "
                                                 "navigateur et resterait ouverte : %2.");
    else
        others = closed.isEmpty() ? TfmFerme::tr(" Elle vaut pour %1 qui ne sont pas de navigateur "
                                                 "et resteraient ouvertes : %2.")
                                  : TfmFerme::tr(" Elle vaut aussi pour %1 qui ne sont pas de "
                                                 "navigateur et resteraient ouvertes : %2.");
    return text + others.arg(windowsText(left.size()), quotedTitles(left));
}

} // namespace

TfmFerme::TfmFerme(QWidget* parent) : QDialog(parent) {
    ui.setupUi(this);
    // The main window stays on top of every window; the editor must not open
    // hidden behind it.
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    setFixedSize(426, 162);
    move(361, 194);
    // Enter is "&Ok" wherever the focus is: a button with the focus does not
    // take the Enter key for itself.
    ui.bOk->setAutoDefault(false);
    ui.Button2->setAutoDefault(false);

    connect(ui.eTitre, &QLineEdit::textChanged, this, &TfmFerme::Change);
    connect(ui.cbTitre, &QComboBox::currentIndexChanged, this, &TfmFerme::Change);
    connect(ui.cbDim, &QComboBox::currentIndexChanged, this, &TfmFerme::Change);
    connect(ui.eTitre, &QLineEdit::textChanged, this, &TfmFerme::ShowWhatItCloses);
    for (auto* field : {ui.cbTitre, ui.cbDim})
        connect(field, &QComboBox::currentIndexChanged, this, &TfmFerme::ShowWhatItCloses);
    for (auto* field : {ui.seWidth, ui.seHeight})
        connect(field, &QSpinBox::valueChanged, this, &TfmFerme::ShowWhatItCloses);
    connect(ui.bOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(ui.Button2, &QPushButton::clicked, this, &QDialog::reject);
}

bool TfmFerme::EditRule(vornel::TCond& rule) {
    ui.cbTitre->setCurrentIndex(itemOfMode(rule.TitreMode));
    ui.cbDim->setCurrentIndex(itemOfMode(rule.DimMode));
    const bool noTitle = ui.cbTitre->currentIndex() == NoCondition;
    ui.eTitre->setText(noTitle ? QString() : QString::fromStdString(rule.Titre));
    const bool noSize = ui.cbDim->currentIndex() == NoCondition;
    ui.seWidth->setValue(noSize ? 0 : rule.Width);
    ui.seHeight->setValue(noSize ? 0 : rule.Height);

    blockOnlyTheMainWindow();
    if (exec() != QDialog::Accepted) return false;

    // Read once the dialog is hidden: hiding settles a number still being
    // typed, which the "&Ok" accelerator leaves in its field.
    rule = ruleShown();
    return true;
}

vornel::TCond TfmFerme::ruleShown() const {
    return {ModeLetters[std::size_t(ui.cbTitre->currentIndex())],
            ModeLetters[std::size_t(ui.cbDim->currentIndex())], ui.eTitre->text().toStdString(),
            ui.seWidth->value(), ui.seHeight->value()};
}

// Filling the fields before the dialog shows would walk the desktop for
// each of them; the show itself does it once.
void TfmFerme::ShowWhatItCloses() {
    if (!isVisible()) return;
    ui.lFermerait->setText(windowsHeldBy ? whatItCloses(windowsHeldBy(ruleShown())) : QString());
}

// Modal to the main window, not to the whole program: the tray icon is a
// window of its own, and its menu must still open while a rule is edited,
// so that "Quitter" can end the program (the edit then counts as cancelled).
void TfmFerme::blockOnlyTheMainWindow() {
    setWindowModality(Qt::WindowModal);
    if (!mainWindow) return;
    mainWindow->winId();
    winId();
    windowHandle()->setTransientParent(mainWindow->windowHandle());
}

void TfmFerme::Change() {
    if (mainWindow) setWindowTitle(mainWindow->windowTitle());
    const bool title = ui.cbTitre->currentIndex() != NoCondition;
    const bool size = ui.cbDim->currentIndex() != NoCondition;
    ui.eTitre->setEnabled(title);
    ui.seWidth->setEnabled(size);
    ui.seHeight->setEnabled(size);
    ui.bOk->setEnabled((title && !ui.eTitre->text().isEmpty()) || size);
}

void TfmFerme::showEvent(QShowEvent* event) {
    Change();
    ShowWhatItCloses();
    if (!event->spontaneous()) focusFirstField();
    QDialog::showEvent(event);
}

// The dialog would otherwise open with the focus where it was when it last
// closed, on "&Annuler" after a cancel, where typing goes nowhere.
void TfmFerme::focusFirstField() {
    const QList<QWidget*> inTabOrder{ui.eTitre, ui.seWidth, ui.seHeight, ui.bOk, ui.Button2};
    for (QWidget* field : inTabOrder)
        if (field->isEnabled()) {
            field->setFocus(Qt::TabFocusReason);
            return;
        }
}

void TfmFerme::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
