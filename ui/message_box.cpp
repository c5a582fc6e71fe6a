// SPDX-License-Identifier: GPL-3.0-or-later
#include "message_box.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>

#include "res_text.h"
#include "texts.h"

void AfxMessageBox(const QString& text) {
    // The operators' boxes carry the exclamation icon, success and failure alike: the platform
    // they know adds it to every OK box that names no icon of its own.
    QMessageBox box(QMessageBox::Warning,
                    QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName(), text,
                    QMessageBox::Ok, QApplication::activeWindow());
    QAbstractButton* ok = box.button(QMessageBox::Ok);
    ok->setText(ResText(kOkCaption));
    ok->setIcon(QIcon());  // some styles decorate standard buttons; the operators' box has none
    box.exec();
}
