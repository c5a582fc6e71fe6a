// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one way to tell the operator something: a modal box with one OK button, titled
// with the program's name.
#pragma once

#include <QString>

void AfxMessageBox(const QString& text);
