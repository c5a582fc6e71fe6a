// SPDX-License-Identifier: GPL-3.0-or-later
#include "language.h"

#include <QLocale>
#include <QTranslator>

// The translations are compiled into this static library, whose resource initializer the linker
// would drop unless something refers to it.
static void InitTranslationResources() {
    Q_INIT_RESOURCE(translations);
}

bool IsSourceLanguage(const QString& language) {
    return QLocale(language).language() == QLocale::Chinese;
}

bool LoadTranslation(QTranslator& translator, const QStringList& languages) {
    static const bool initialized = (InitTranslationResources(), true);
    (void)initialized;
    for (const QString& language : languages) {
        if (IsSourceLanguage(language))
            return false;
        if (translator.load(QLocale(language), QStringLiteral("tessaly"), QStringLiteral("_"),
                            QStringLiteral(":/i18n")))
            return true;
    }
    return false;
}
