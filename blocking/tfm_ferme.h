#pragma once

#include "blocking/scan_cycle.h"
#include "blocking/tcond.h"
#include "ui_tfm_ferme.h"

#include <QDialog>
#include <array>
#include <functional>
#include <string>

// The mode letter of each item of the two mode combo boxes, by item index.
inline const std::array<std::string, 3> ModeLetters{"Y", "E", "N"};

// The rule editor: one closing rule shown as a title condition and a size
// condition. One instance lives from start-up to exit and is reused.
class TfmFerme : public QDialog {
    Q_OBJECT

public:
    explicit TfmFerme(QWidget* parent = nullptr);

    Ui::TfmFerme ui;
    // The main window, whose caption the dialog takes over when shown.
    QWidget* mainWindow = nullptr;
    // The windows a rule holds for now, as the scan tests them; without it
    // the dialog says nothing of what the rule would close.
    std::function<std::vector<vornel::HeldWindow>(const vornel::TCond&)> windowsHeldBy;

    // Shows the dialog modally, filled from rule. On "&Ok" all five fields
    // of rule are overwritten from the dialog and the answer is true; on
    // cancel rule is left as it was.
    bool EditRule(vornel::TCond& rule);

    // The caption, and which fields and whether "&Ok" can be used.
    void Change();
    // The line under the conditions: what the rule as shown would close now.
    void ShowWhatItCloses();

protected:
    void showEvent(QShowEvent* event) override;
    // Escape must not close the dialog: no button is its cancel key.
    void keyPressEvent(QKeyEvent* event) override;

private:
    vornel::TCond ruleShown() const;
    void blockOnlyTheMainWindow();
    // The first field in tab order that can take the focus gets it.
    void focusFirstField();
};
