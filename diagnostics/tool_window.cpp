// SPDX-License-Identifier: GPL-3.0-or-later
#include "tool_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "csv_file.h"
#include "diagnostics_texts.h"
#include "res_text.h"

CToolWindow::CToolWindow(QWidget* parent, const char* caption, const char* saveTitle, Tell tell)
    : QDialog(parent), caption_(caption), saveTitle_(saveTitle), tell_(std::move(tell)) {
    setWindowTitle(ResText(caption));
    // The main window's font (its dialog font) reaches a window only when asked for.
    setAttribute(Qt::WA_WindowPropagation);
    setSizeGripEnabled(true);
    if (!tell_)
        tell_ = [this](const QString& text) { QMessageBox::warning(this, windowTitle(), text); };
}

void CToolWindow::Present() {
    show();
    raise();
    activateWindow();
}

QPushButton* CToolWindow::MakeButton(const char* text) {
    auto* button = new QPushButton(ResText(text));
    button->setAutoDefault(false);
    return button;
}

QVBoxLayout* CToolWindow::Lay(QWidget* content, QLabel* status,
                              std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    row->addWidget(status);
    row->addStretch();
    for (QPushButton* button : buttons)
        row->addWidget(button);
    QPushButton* clear = MakeButton(kToolClear);
    connect(clear, &QPushButton::clicked, this, [this] { OnClickedClear(); });
    row->addWidget(clear);
    QPushButton* save = MakeButton(kToolSave);
    connect(save, &QPushButton::clicked, this, &CToolWindow::OnClickedSave);
    row->addWidget(save);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(content, 1);
    layout->addLayout(row);
    return layout;
}

void CToolWindow::OnClickedSave() {
    const QString path = AskCsvPath(this, ResText(saveTitle_), ResText(caption_));
    if (path.isEmpty())
        return;
    if (const QString failure = SaveCsvFile(path, ToCsv()); !failure.isEmpty())
        tell_(failure);
}
