#include "common/program_language.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QXmlStreamReader>
#include <gtest/gtest.h>

using namespace vornel;

TEST(LanguageFor, TheFirstLanguageSpokenFrenchForCAndEnglishForTheRest) {
    EXPECT_EQ(languageFor({"fr-FR", "fr-Latn-FR", "fr"}), Language::French);
    EXPECT_EQ(languageFor({"fr-CA", "fr-Latn-CA"}), Language::French);
    EXPECT_EQ(languageFor({"C"}), Language::French);
    EXPECT_EQ(languageFor({"POSIX"}), Language::French);
    EXPECT_EQ(languageFor({"en-US", "en-Latn-US", "en"}), Language::English);
    EXPECT_EQ(languageFor({"de-DE", "de-Latn-DE", "de"}), Language::English);
    EXPECT_EQ(languageFor({"de", "fr", "en"}), Language::French);
    EXPECT_EQ(languageFor({"nl", "en-GB", "fr"}), Language::English);
    EXPECT_EQ(languageFor({"xx-unknown", "fr"}), Language::French);
    EXPECT_EQ(languageFor({}), Language::English);
}

// Every entry of the translation file reaches the program, under the
// context the code asks with; French leaves the texts as written.
TEST(ProgramText, EveryEnglishTextOfTheFileIsInTheProgram) {
    QFile file(QStringLiteral(VORNEL_TS_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << VORNEL_TS_FILE;
    QList<std::tuple<QByteArray, QByteArray, QString>> entries;
    QByteArray context, source;
    QXmlStreamReader ts(&file);
    while (!ts.atEnd()) {
        if (ts.readNext() != QXmlStreamReader::StartElement) continue;
        if (ts.name() == u"name") context = ts.readElementText().toUtf8();
        if (ts.name() == u"source") source = ts.readElementText().toUtf8();
        if (ts.name() == u"translation") entries.append({context, source, ts.readElementText()});
    }
    ASSERT_FALSE(ts.hasError()) << ts.errorString().toStdString();
    ASSERT_GT(entries.size(), 150);

    speakLanguage(Language::English);
    for (const auto& [c, s, english] : entries) {
        EXPECT_EQ(programText(c.constData(), s.constData()), english)
            << c.constData() << ": " << s.constData();
        EXPECT_EQ(QCoreApplication::translate(c.constData(), s.constData()), english);
    }
    speakLanguage(Language::French);
    const QString frenchOfQt = QCoreApplication::translate("QFileDialog", "Open");
    for (const auto& [c, s, english] : entries) {
        EXPECT_EQ(programText(c.constData(), s.constData()), QString::fromUtf8(s));
        EXPECT_EQ(QCoreApplication::translate(c.constData(), s.constData()), QString::fromUtf8(s));
    }
    // Qt's own texts follow where the system has them.
    if (QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_fr.qm")) {
        EXPECT_EQ(frenchOfQt, "Ouvrir");
    }
    forgetLanguage();
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Open"), "Open");
    EXPECT_EQ(programText("CommandLine", "Utilisation : vornel [options]"),
              "Utilisation : vornel [options]");
}
