#pragma once

#include <QString>
#include <QStringList>

namespace vornel {

// French is the language the texts are written in; English is the one
// translation, for every user who does not read French.
enum class Language { French, English };

// The language for a desktop whose preferred languages are these, best first
// (QLocale::uiLanguages()): the first one we speak; "C" (a system set to no
// language at all, or POSIX) counts as French, as the program always spoke it;
// English when none of them is ours.
Language languageFor(const QStringList& uiLanguages);

// Loads the program's texts and Qt's own (dialog buttons, edit menus) in the
// language of the desktop, QLocale::system(), or in the language given, and
// installs them into the application once there is one. Called again, it
// replaces the earlier choice.
void speakUsersLanguage();
void speakLanguage(Language language);

// Takes both out of the application: the texts as written, Qt's own in
// English, as before any choice.
void forgetLanguage();

// A text of the program in the chosen language, whether or not an
// application exists yet: the command line answers before any is made.
// lupdate reads calls of it as it reads QCoreApplication::translate.
QString programText(const char* context, const char* sourceText);

} // namespace vornel
