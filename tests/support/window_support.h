// SPDX-License-Identifier: GPL-3.0-or-later
// The window side of the harness: boxes answered, controls, acquisition, menus, saving.
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
#include <algorithm>
#include <functional>
#include <optional>

#include "resource.h"
#include "sensor_dlg.h"
#include "support/harness.h"

// While it lives, calls `shown` with each widget as it is shown.
struct ShowWatch : QObject {
    std::function<void(QObject*)> shown;
    explicit ShowWatch(std::function<void(QObject*)> shown) : shown(std::move(shown)) {
        qApp->installEventFilter(this);
    }
    ~ShowWatch() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show)
            shown(watched);
        return false;
    }
};

// While it lives, each message box is recorded, `then` run, and answered OK as soon as it is up.
struct RecordedMessages : ShowWatch {
    QStringList texts;
    explicit RecordedMessages(std::function<void(const QString&)> then = {})
        : ShowWatch([this, then = std::move(then)](QObject* shown) {
              if (auto* box = qobject_cast<QMessageBox*>(shown)) {
                  texts << box->text();
                  if (then)
                      then(box->text());
                  QMetaObject::invokeMethod(
                      box, [box] { box->done(QMessageBox::Ok); }, Qt::QueuedConnection);
              }
          }) {}
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

// Starts acquisition every `periodMs` and waits for `goodReadings` readings.
inline void Acquire(CSensorDlg& dialog, int goodReadings, const char* periodMs = "20") {
    SetText(dialog, IDC_PERIOD, periodMs);
    Click(dialog, IDC_ACQUIRE);
    QTRY_VERIFY(Count(dialog, IDC_OK_COUNT) >= goodReadings);
}

// A search over `from`..`to` at the checked rates; `click` false only sets it up.
inline void Search(CSensorDlg& d, const char* from, const char* to,
                   std::initializer_list<int> rates, bool click = true) {
    SetText(d, IDC_SCAN_FROM, from);
    SetText(d, IDC_SCAN_TO, to);
    for (int id : {IDC_SCAN_1200, IDC_SCAN_2400, IDC_SCAN_4800, IDC_SCAN_9600})
        Item<QAbstractButton>(d, id)->setChecked(std::ranges::find(rates, id) != rates.end());
    if (click)
        Click(d, IDC_SEARCH);
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

// Clicks its 保存..., answers the file dialog with `path`; returns what was written there, or "".
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
