// SPDX-License-Identifier: GPL-3.0-or-later
// The program's one way to tell the operator something: a modal box with one OK button, titled
// with the program's name. Tests replace it to record the texts instead of showing them.
#pragma once

#include <QString>
#include <functional>

void AfxMessageBox(const QString& text);

using MessageBoxHook = std::function<void(const QString& text)>;
// Null restores the real box.
void SetMessageBoxHook(MessageBoxHook hook);
