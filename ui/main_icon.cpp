#include "main_icon.h"

QIcon MainIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tessaly-%1.png").arg(size), QSize(size, size));
    return icon;
}
