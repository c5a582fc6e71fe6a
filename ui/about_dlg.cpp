// SPDX-License-Identifier: GPL-3.0-or-later
#include "about_dlg.h"

#include <QPushButton>

#include "dialog_builder.h"
#include "main_icon.h"

CAboutDlg::CAboutDlg() {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    controls_ = BuildControls(kAboutBox, this, MainIcon());
    // OK, Enter, Esc and the close box all close it; nothing else happens.
    connect(static_cast<QPushButton*>(controls_.back()), &QPushButton::clicked, this,
            &QDialog::accept);
}
