// SPDX-License-Identifier: GPL-3.0-or-later
#include "csv_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QSaveFile>
#include <QStandardPaths>

#include "message_box.h"

QString AskCsvPath(QWidget* parent, const QString& title, const QString& baseName) {
    const QString name = baseName +
                         QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-hhmmss")) +
                         QStringLiteral(".csv");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileDialog::getSaveFileName(parent, title, QDir(folder).filePath(name),
                                        QStringLiteral("CSV 文件 (*.csv)"));
}

bool SaveCsvFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    AfxMessageBox(QStringLiteral("保存文件失败：%1").arg(file.errorString()));
    return false;
}
