#include "common/program_language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace vornel {

namespace {

// Ours and Qt's; they live as long as the process, for the application made
// after the choice and for programText() before it.
struct Translations {
    QTranslator program;
    QTranslator qt;
};

Translations& translations() {
    static Translations* loaded = new Translations;
    return *loaded;
}

QString languageCode(Language language) {
    return language == Language::French ? QStringLiteral("fr") : QStringLiteral("en");
}

} // namespace

Language languageFor(const QStringList& uiLanguages) {
    for (const QString& name : uiLanguages) {
        // Not QLocale's C: it is also what an unknown name gives.
        if (name == u"C" || name == u"POSIX") return Language::French;
        const QLocale::Language language = QLocale(name).language();
        if (language == QLocale::French) return Language::French;
        if (language == QLocale::English) return Language::English;
    }
    return Language::English;
}

void speakUsersLanguage() {
    speakLanguage(languageFor(QLocale::system().uiLanguages()));
}

void speakLanguage(Language language) {
    Translations& t = translations();
    // A load starts by forgetting what was loaded before; a failed one leaves
    // the texts as written. French is their own language: nothing of ours.
    (void)t.program.load(language == Language::French ? QString()
                                                      : QStringLiteral(":/i18n/vornel_en.qm"));
    // Qt's texts come with the system (Debian's qt6-translations-l10n), or
    // with the program where the system has none (Windows); without them Qt
    // speaks English, and the program runs all the same.
    const QString qtTexts = QStringLiteral("qtbase_") + languageCode(language);
    (void)(t.qt.load(qtTexts, QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
           t.qt.load(qtTexts, QStringLiteral(":/i18n")));
    // Before the application exists, only programText() reads them.
    if (!QCoreApplication::instance()) return;
    QCoreApplication::removeTranslator(&t.program);
    QCoreApplication::removeTranslator(&t.qt);
    QCoreApplication::installTranslator(&t.qt);
    QCoreApplication::installTranslator(&t.program);
}

void forgetLanguage() {
    Translations& t = translations();
    if (QCoreApplication::instance()) {
        QCoreApplication::removeTranslator(&t.program);
        QCoreApplication::removeTranslator(&t.qt);
    }
    (void)t.program.load(QString());
    (void)t.qt.load(QString());
}

QString programText(const char* context, const char* sourceText) {
    const QString text = translations().program.translate(context, sourceText);
    return text.isEmpty() ? QString::fromUtf8(sourceText) : text;
}

} // namespace vornel
