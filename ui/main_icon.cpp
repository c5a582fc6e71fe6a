// SPDX-License-Identifier: GPL-3.0-or-later
#include "main_icon.h"

// The icon images are compiled into this static library, whose resource initializer the linker
// would drop unless something refers to it.
static void InitIconResources() {
    Q_INIT_RESOURCE(tessaly);
}

QIcon MainIcon() {
    static const bool initialized = (InitIconResources(), true);
    (void)initialized;
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/tessaly-%1.png").arg(size), QSize(size, size));
    return icon;
}
