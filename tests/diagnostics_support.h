// SPDX-License-Identifier: GPL-3.0-or-later
// What the tool windows' tests share: their buttons by caption, and saving through the file
// dialog as an operator would.
#pragma once

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QPushButton>
#include <QTimer>

#include "support/window_support.h"

inline QPushButton* Button(const QWidget& window, const char* caption) {
    for (auto* button : window.findChildren<QPushButton*>())
        if (button->text() == U(caption))
            return button;
    return nullptr;
}

// Clicks the window's 保存... button, answers the file dialog with `path` and returns what was
// written there ("" when nothing was).
inline QByteArray SaveThroughDialog(const QWidget& window, const QString& path) {
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* ask = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            // The dialog leaves a file name box that has the focus alone, as if being typed in.
            if (QWidget* typing = ask->focusWidget())
                typing->clearFocus();
            ask->selectFile(path);
            static_cast<QDialog*>(ask)->accept();  // QFileDialog's own, public through QDialog
        }
    });
    answer.start(20);
    Button(window, "保存...")->click();
    QFile saved(path);
    return saved.open(QIODevice::ReadOnly) ? saved.readAll() : QByteArray();
}
