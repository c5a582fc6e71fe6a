// SPDX-License-Identifier: GPL-3.0-or-later
// Builds a dialog's controls from its template table, placing each at its dialog-unit rectangle
// converted to pixels the way Win32 does: through the dialog font's base units.
#pragma once

#include <QFont>
#include <QIcon>
#include <QRect>
#include <QSize>
#include <vector>

#include "dialog_templates.h"

class QWidget;

// The dialog font: 9 pt Song, with the faces that stand in for SimSun where it is missing.
QFont DialogFont(int points);

// Base units: x = average width of "A".."Z","a".."z" (rounded), y = the font's height.
QSize DialogBaseUnits(const QFont& font);

// Each edge converted on its own and rounded, as MapDialogRect does.
QRect DluToPixels(const DluRect& rect, QSize baseUnits);

// A drop-down list's rectangle includes its dropped list; the closed box is this tall.
int ClosedComboHeight(QSize baseUnits);

// Creates the controls of `dialog` as children of `parent`, in template order, and sets the
// parent's font and fixed client size. Drop-down lists get their initial items; icons get `icon`.
std::vector<QWidget*> BuildControls(const DialogTemplate& dialog, QWidget* parent,
                                    const QIcon& icon);
