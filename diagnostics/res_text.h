// SPDX-License-Identifier: GPL-3.0-or-later
// Where a text from res/ becomes what the operator reads: translated into the language the
// application chose (ui/language.h), or the Chinese original when it chose none. The tool windows
// and the main window alike show their texts through it.
#pragma once

#include <QCoreApplication>
#include <QString>

#include "tr_text.h"

inline QString ResText(const char* utf8) {
    return QCoreApplication::translate(kTextContext, utf8);
}
