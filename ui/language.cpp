// SPDX-License-Identifier: GPL-3.0-or-later
#include "language.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

// The translations are compiled into this static library, whose resource initializer the linker
// would drop unless something refers to it.
static void InitTranslationResources() {
    Q_INIT_RESOURCE(translations);
}
static void EnsureTranslationResources() {  // once, before the first load
    static const bool initialized = (InitTranslationResources(), true);
    (void)initialized;
}

bool IsSourceLanguage(const QString& language) {
    return QLocale(language).language() == QLocale::Chinese;
}

bool LoadTranslation(QTranslator& translator, const QStringList& languages) {
    EnsureTranslationResources();
    for (const QString& language : languages) {
        if (IsSourceLanguage(language))
            return false;
        if (translator.load(QLocale(language), QStringLiteral("tessaly"), QStringLiteral("_"),
                            QStringLiteral(":/i18n")))
            return true;
    }
    return false;
}

bool LoadQtTranslation(QTranslator& qt, const QTranslator& own) {
    EnsureTranslationResources();
    if (!own.isEmpty())
        return false;  // English: Qt's own texts already are
    for (const QString& folder :
         {QStringLiteral(":/i18n"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)})
        if (qt.load(QStringLiteral("qtbase_zh_CN"), folder))
            return true;
    return false;
}
