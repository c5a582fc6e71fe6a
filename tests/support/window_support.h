// SPDX-License-Identifier: GPL-3.0-or-later
// The window side of the harness: message boxes recorded and answered, controls by id, the
// window on a simulated sensor, its context menu, and the tool windows' buttons and saving.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <optional>

#include "resource.h"
#include "sensor_dlg.h"
#include "support/harness.h"

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
    if (auto* list = qobject_cast<const QComboBox*>(widget))
        return list->currentText();
    return widget->property("text").toString();
}
inline QString TextOf(const CSensorDlg& dialog, int id) {
    return TextOf(dialog.GetDlgItem(id));
}
inline int Count(const CSensorDlg& dialog, int id) {
    return TextOf(dialog, id).toInt();
}
inline void SetText(CSensorDlg& dialog, int id, const QString& text) {
    Item<QLineEdit>(dialog, id)->setText(text);
}
inline void SetText(CSensorDlg& dialog, int id, const char* text) {
    SetText(dialog, id, U(text));
}
inline void Click(CSensorDlg& dialog, int id) {
    Item<QAbstractButton>(dialog, id)->click();
}

// The window on a simulated sensor at COM1; the address box names the sensor's address.
struct WindowOnSim {
    std::optional<SimOnCom> sim;
    CSensorDlg dialog;
    explicit WindowOnSim(std::vector<std::string> options, const char* address = "1")
        : sim(std::in_place, (options.insert(options.end(), {"--address", address}), options)) {
        SetText(dialog, IDC_ADDRESS, address);
    }
};

// Right-clicks the window and runs `choose` on the menu that shows, then closes it.
inline void WithContextMenu(QWidget& window, std::function<void(QMenu&)> choose) {
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            window.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&window, &event);
    if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
        choose(*menu);
        menu->close();
    }
}

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
