// How the controls of the candidate list, the rule list, the browser names and
// the statistics page reach their handlers.
#include "app/tfm_vornel.h"
#include "blocking/list_rows.h"

#include <QLabel>
#include <QListWidget>
#include <QToolButton>

namespace {

constexpr int CandidateRowHeight = 14;
constexpr int RuleRowHeight = 13;
const QColor AdministratorRuleColour(255, 200, 0);

void useFixedRows(QListWidget* list, QAbstractItemDelegate* rows) {
    list->setItemDelegate(rows);
    list->setUniformItemSizes(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
}

} // namespace

QString TfmVornel::ruleRowText(int row) const {
    if (row >= CloseRules.count()) return {};
    const QString text = QString::fromStdString(vornel::TexteCond(CloseRules.rule(row + 1)));
    if (!CloseRules.isAdministrators(row + 1)) return text;
    return text.trimmed() + tr(" (administrateur)");
}

void TfmVornel::connectBlockingControls() {
    // A candidate row stores a window handle and shows that window's title as
    // it reads at the moment of drawing, so it follows a title change.
    useFixedRows(ui.lb1,
                 new vornel::OwnerDrawnRows(
                     CandidateRowHeight, true,
                     [this](int, const QString& stored) { return TitreCourt(stored); }, ui.lb1));
    // The administrator's rules, first in the list, in their own colour.
    useFixedRows(ui.lb2, new vornel::OwnerDrawnRows(
                             RuleRowHeight, false,
                             [this](int row, const QString&) { return ruleRowText(row); }, ui.lb2,
                             [this](int row) -> std::optional<QColor> {
                                 if (!CloseRules.isAdministrators(row + 1)) return std::nullopt;
                                 return AdministratorRuleColour;
                             }));

    // The scan rebuilds lb1 with its signals blocked, so only the user's own
    // choices reach lb1Click; a press on a row that is selected already
    // changes no selection, and is a choice all the same.
    connect(ui.lb1, &QListWidget::itemSelectionChanged, this, &TfmVornel::lb1Click);
    connect(ui.lb1, &QListWidget::pressed, this, &TfmVornel::lb1Click);
    connect(ui.lbPorts, &QListWidget::itemClicked, this, &TfmVornel::lb1Click);
    connect(ui.lb1, &QListWidget::itemDoubleClicked, this, &TfmVornel::sbFermerClick);
    connect(ui.sbFermer, &QToolButton::clicked, this, &TfmVornel::sbFermerClick);

    connect(ui.lb2, &QListWidget::itemSelectionChanged, this, &TfmVornel::lb2Click);
    connect(ui.lb2, &QListWidget::itemDoubleClicked, this, &TfmVornel::sbModifierClick);
    connect(ui.sbNew, &QToolButton::clicked, this, &TfmVornel::sbNewClick);
    connect(ui.sbModifier, &QToolButton::clicked, this, &TfmVornel::sbModifierClick);
    connect(ui.sbSupp, &QToolButton::clicked, this, &TfmVornel::sbSuppClick);

    // The counters are sized for one digit; like labels that size themselves
    // to their text, they get the free room to their right.
    for (QLabel* counter : {ui.lNbre, ui.lTotal})
        counter->resize(ui.SpeedButton1->x() - counter->x(), counter->height());

    connect(ui.sbFenDefaut, &QToolButton::clicked, this, &TfmVornel::sbFenDefautClick);
    connect(ui.SpeedButton1, &QToolButton::clicked, this, &TfmVornel::SpeedButton1Click);
}
