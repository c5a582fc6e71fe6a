// SPDX-License-Identifier: GPL-3.0-or-later
// What the window tests share: recorded message boxes, and controls by id.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QStringList>
#include <QTest>
#include <functional>

#include "resource.h"
#include "sensor_dlg.h"

// For the life of the object, every message box the program shows is recorded and answered with
// OK as soon as it is up, as an operator would; `then`, if given, runs as each one shows.
struct RecordedMessages : QObject {
    QStringList texts;
    std::function<void(const QString& text)> then;

    explicit RecordedMessages(std::function<void(const QString&)> then = {})
        : then(std::move(then)) {
        qApp->installEventFilter(this);
    }
    ~RecordedMessages() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (box && event->type() == QEvent::Show) {
            texts << box->text();
            if (then)
                then(box->text());
            QMetaObject::invokeMethod(
                box, [box] { box->done(QMessageBox::Ok); }, Qt::QueuedConnection);
        }
        return false;
    }
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
