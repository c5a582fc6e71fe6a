// SPDX-License-Identifier: GPL-3.0-or-later
// The About box: icon, program name and version, a notice line and OK.
#pragma once

#include <QDialog>
#include <vector>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    CAboutDlg();
    const std::vector<QWidget*>& controls() const { return controls_; }

private:
    std::vector<QWidget*> controls_;
};
