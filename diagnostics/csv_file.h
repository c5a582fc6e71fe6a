// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a tool window's CSV: asking where, and writing it whole or not at all.
#pragma once

#include <QByteArray>
#include <QString>

class QWidget;

// Asks for the file to save to, suggesting `baseName` with the date and time in the operator's
// documents folder. "" when the operator cancels.
QString AskCsvPath(QWidget* parent, const QString& title, const QString& baseName);

// Replaces the file at `path` with `bytes` only once they are all written, so that a full disk
// never leaves half a file where a good one stood. "" when saved, else what to tell the operator.
QString SaveCsvFile(const QString& path, const QByteArray& bytes);
