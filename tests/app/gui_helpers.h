#pragma once

// Helpers of the application-shell GUI tests.
#include "blocking/alert_sound.h"
#include "common/program_language.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QXmlStreamReader>
#include <functional>

namespace vornel::test {

// Settings, log and start-at-logon entry of the windows under test go to a
// temporary folder, never beside the test or into the user's own folders.
class PrivateFolders {
public:
    PrivateFolders() {
        qputenv("VORNEL_CONFIG_DIR", QFile::encodeName(dir_.filePath("settings")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir_.filePath("config")));
    }
    ~PrivateFolders() {
        qunsetenv("VORNEL_CONFIG_DIR");
        qunsetenv("XDG_CONFIG_HOME");
    }
    QString path(const QString& name) const { return dir_.filePath(name); }

private:
    QTemporaryDir dir_;
};

struct QuietSound : AlertSound {
    void play(const std::string&) override {}
};

// Runs action; a message box that it opens is answered, and its text (with
// its caption) returned. Empty when none opened.
struct AnsweredBox {
    QString caption, text, objectName;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

inline AnsweredBox answerBoxDuring(const std::function<void()>& action) {
    AnsweredBox seen;
    QTimer answerer;
    answerer.setInterval(5);
    QObject::connect(&answerer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                seen = {box->windowTitle(), box->text(), box->objectName(), box->icon()};
                box->accept();
            }
    });
    answerer.start();
    action();
    return seen;
}

// The program speaks English while the object lives (forms made meanwhile
// are English), its texts as written again afterwards.
struct InEnglish {
    InEnglish() { speakLanguage(Language::English); }
    ~InEnglish() { forgetLanguage(); }
    InEnglish(const InEnglish&) = delete;
    InEnglish& operator=(const InEnglish&) = delete;
};

// Every text a user reads on widget and inside it: window title, captions,
// labels, fields, list lines, tab names, tips and menu items, hidden ones too.
inline QStringList shownTexts(QWidget* widget) {
    QStringList texts{widget->windowTitle(), widget->toolTip()};
    QList<QWidget*> all = widget->findChildren<QWidget*>();
    all.prepend(widget);
    for (QWidget* w : all) {
        texts << w->toolTip();
        if (auto* label = qobject_cast<QLabel*>(w)) texts << label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) texts << button->text();
        if (auto* edit = qobject_cast<QLineEdit*>(w))
            texts << edit->text() << edit->placeholderText();
        if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) texts << memo->toPlainText();
        if (auto* box = qobject_cast<QGroupBox*>(w)) texts << box->title();
        if (auto* list = qobject_cast<QListWidget*>(w))
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
        if (auto* tabs = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < tabs->count(); ++i)
                texts << tabs->tabText(i);
        if (auto* menu = qobject_cast<QMenu*>(w))
            for (QAction* action : menu->actions())
                texts << action->text() << action->toolTip();
    }
    texts.removeAll(QString());
    return texts;
}

// The buttons of form whose caption is wider than the button: in a window of
// fixed layout, a translation cut off.
inline QStringList cutOffCaptions(QWidget* form) {
    QStringList cut;
    for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        button->ensurePolished();
        // A check box's hint holds its box; a push button's, a minimum width.
        int needed = button->sizeHint().width();
        if (!qobject_cast<QCheckBox*>(button) && !qobject_cast<QRadioButton*>(button)) {
            needed = 0;
            for (const QString& line : QString(button->text()).remove(u'&').split(u'\n'))
                needed = std::max(needed, button->fontMetrics().horizontalAdvance(line));
        }
        if (!button->text().isEmpty() && needed > button->width())
            cut << QStringLiteral("%1 (%2 > %3)")
                       .arg(button->text())
                       .arg(needed)
                       .arg(button->width());
    }
    return cut;
}

// The French texts of the program, as lupdate found them in the code: the
// sources in the English translation file whose English differs.
inline QStringList frenchSourceTexts() {
    QFile file(QStringLiteral(VORNEL_TS_FILE));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList french;
    QString source;
    QXmlStreamReader ts(&file);
    while (!ts.atEnd()) {
        if (ts.readNext() != QXmlStreamReader::StartElement) continue;
        if (ts.name() == u"source") source = ts.readElementText();
        // An accelerator moved ("St&ats", "&Stats") is no French text.
        if (ts.name() == u"translation" &&
            QString(ts.readElementText()).remove(u'&') != QString(source).remove(u'&'))
            french << source;
    }
    return french;
}

// The shown texts that hold a French text of the program, or a letter that
// only French uses here; each with what gave it away.
inline QStringList frenchAmong(const QStringList& shown, const QStringList& frenchSources) {
    static const QRegularExpression frenchLetter(QStringLiteral("[éèêëàâçôûùîïœ«»]"));
    static const QRegularExpression placeholder(QStringLiteral("%\\d+"));
    auto withoutAccelerators = [](QString text) {
        return text.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
            .remove(u'&')
            .replace(u'\x01', u'&');
    };
    QList<std::pair<QString, QRegularExpression>> patterns;
    for (const QString& source : frenchSources) {
        QStringList pieces;
        qsizetype longest = 0;
        for (const QString& piece : withoutAccelerators(source).split(placeholder)) {
            pieces << QRegularExpression::escape(piece);
            longest = std::max(longest, piece.trimmed().size());
        }
        // A long piece is found inside a longer text; a short one ("ET",
        // "jours") only as the whole text, or any English text would hold it.
        QString pattern = pieces.join(QStringLiteral(".*"));
        if (longest < 12) pattern = QStringLiteral("^") + pattern + QStringLiteral("$");
        patterns.append(
            {source, QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)});
    }
    QStringList found;
    for (const QString& text : shown) {
        const QString plain = withoutAccelerators(text);
        if (plain.contains(frenchLetter)) found << plain + QStringLiteral("  [a French letter]");
        for (const auto& [source, pattern] : patterns)
            if (pattern.match(plain).hasMatch())
                found << plain + QStringLiteral("  [") + source + u']';
    }
    return found;
}

} // namespace vornel::test
