// SPDX-License-Identifier: GPL-3.0-or-later
#include "csv_file.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QSaveFile>
#include <QStandardPaths>

#include "diagnostics_texts.h"
#include "res_text.h"

QString AskCsvPath(QWidget* parent, const QString& title, const QString& baseName) {
    const QString name = baseName +
                         QDateTime::currentDateTime().toString(QStringLiteral("-yyyyMMdd-hhmmss")) +
                         QStringLiteral(".csv");
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileDialog::getSaveFileName(parent, title, QDir(folder).filePath(name),
                                        ResText(kCsvFilter));
}

namespace {

// A write the disk takes only in part (it fills meanwhile) comes back short with no reason given;
// the next write of the rest then fails with the reason, which the operator is told.
bool WriteAll(QSaveFile& file, const QByteArray& bytes) {
    for (qint64 done = 0; done < bytes.size();) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

}  // namespace

// Unbuffered, so that every write reaches the file at once and a failure is seen by the write that
// met it: a buffer flushed only by commit() loses the error, and the file that the limit cut short
// would replace the old one as if saved.
QString SaveCsvFile(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Unbuffered) && WriteAll(file, bytes) &&
        file.commit())
        return {};
    return ResText(kSaveFailed).arg(file.errorString());
}
