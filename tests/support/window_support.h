// SPDX-License-Identifier: GPL-3.0-or-later
// What the window tests share: recorded message boxes, and controls by id.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTest>

#include "message_box.h"
#include "resource.h"
#include "sensor_dlg.h"

// Records every message box text instead of showing it, for the life of the object.
struct RecordedMessages {
    QStringList texts;
    RecordedMessages() {
        SetMessageBoxHook([this](const QString& text) { texts << text; });
    }
    ~RecordedMessages() { SetMessageBoxHook(nullptr); }
};

template <class T>
T* Item(const CSensorDlg& dialog, int id) {
    return qobject_cast<T*>(dialog.GetDlgItem(id));
}

inline QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// What a control shows: a caption, a box's text, a list's selected item.
inline QString TextOf(const QWidget* widget) {
    if (auto* label = qobject_cast<const QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(widget))
        return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(widget))
        return edit->text();
    if (auto* list = qobject_cast<const QComboBox*>(widget))
        return list->currentText();
    return {};
}
inline QString TextOf(const CSensorDlg& dialog, int id) {
    return TextOf(dialog.GetDlgItem(id));
}

inline void SetText(CSensorDlg& dialog, int id, const char* text) {
    Item<QLineEdit>(dialog, id)->setText(U(text));
}
inline void Click(CSensorDlg& dialog, int id) {
    Item<QAbstractButton>(dialog, id)->click();
}
