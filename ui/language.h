// SPDX-License-Identifier: GPL-3.0-or-later
// The language the windows speak. Their texts are Chinese, which they speak without any
// translation; the translations embedded in the program (res/tessaly_*.ts) add the others.
#pragma once

#include <QStringList>

class QTranslator;

// Loads into `translator` the translation for the first of `languages` (as
// QLocale::uiLanguages() names them, "en-US") that the windows speak, Qt's usual rule. Returns
// false when that first one is Chinese or none is spoken: the windows then stay Chinese.
bool LoadTranslation(QTranslator& translator, const QStringList& languages);

// Whether `language` is the windows' own, which needs no translation.
bool IsSourceLanguage(const QString& language);

// Qt's own texts (the file dialog, its overwrite question, the standard buttons) in the windows'
// language, so that no English dialog opens inside the Chinese window: when `own` is empty (the
// windows speak Chinese), loads Qt's Chinese translation into `qt`, from the program's resources
// (the Windows build embeds it) or where Qt keeps its translations. Returns whether it did.
bool LoadQtTranslation(QTranslator& qt, const QTranslator& own);
