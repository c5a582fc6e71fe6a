// SPDX-License-Identifier: GPL-3.0-or-later
// What the two tool windows share: a resizable window beside the main one, in its font, with its
// content above a row that holds a status line and the buttons, ending in 清除 and 保存... (which
// asks where and writes the window's CSV whole or not at all).
#pragma once

#include <QDialog>
#include <functional>
#include <initializer_list>

class QLabel;
class QPushButton;
class QVBoxLayout;

class CToolWindow : public QDialog {
    Q_OBJECT

public:
    // How the operator is told that a save failed; the main window gives its own message box.
    using Tell = std::function<void(const QString& text)>;

    // Shows the window, in front of the main one.
    void Present();

protected:
    CToolWindow(QWidget* parent, const char* caption, const char* saveTitle, Tell tell);

    // Lays out `content` above the row of `status`, `buttons`, 清除 and 保存....
    QVBoxLayout* Lay(QWidget* content, QLabel* status, std::initializer_list<QPushButton*> buttons);
    static QPushButton* MakeButton(const char* text);

    virtual void OnClickedClear() = 0;
    // What 保存... writes, taken once the operator has chosen where.
    virtual QByteArray ToCsv() = 0;

private:
    void OnClickedSave();

    const char* caption_;
    const char* saveTitle_;
    Tell tell_;
};
