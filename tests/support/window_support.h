// What the window tests share: recorded message boxes, and controls by id.
#pragma once

#include <QApplication>
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
