// SPDX-License-Identifier: GPL-3.0-or-later
// Continuous acquisition: the acquire button starts and stops it; each timer tick reads the
// measurement once and counts it as a success or a failure.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "message_box.h"
#include "registers.h"
#include "sensor_dlg.h"
#include "text_number.h"
#include "texts.h"

void CSensorDlg::OnClickedAcquire() {
    // The caption alone says whether acquisition runs.
    if (m_acquire->text() != ResText(kAcquireCaption)) {
        acquisition_.Stop();
        SetAcquireControls(true);
        m_acquire->setText(ResText(kAcquireCaption));
        return;
    }
    if (!acquisition_.Open(link_, SelectedLine())) {
        AfxMessageBox(ResText(kOpenFailed));
        return;
    }
    state_.okCount = 0;
    state_.failCount = 0;
    m_okCount->setText(QStringLiteral("0"));
    m_failCount->setText(QStringLiteral("0"));
    m_acquire->setText(ResText(kStopCaption));
    const int period = Atoi(m_period->text());
    SetAcquireControls(false);
    acquisition_.StartTicks(period);
}

void CSensorDlg::OnTimer(int) {
    if (!acquisition_.running())
        return;
    // Read afresh every tick, so a changed address takes effect at once.
    const Result reading = acquisition_.Read(ValueToSend(m_address->text()));
    if (reading.done()) {
        m_okCount->setText(QString::number(++state_.okCount));
        m_current->setText(QString::fromStdString(MeasurementText(reading.word)));
    } else {
        m_failCount->setText(QString::number(++state_.failCount));
        m_current->setText(ResText(kNoReading));
    }
    AddTrendTick(reading);
}

// Closing the window stops a running acquisition the way the operator would.
void CSensorDlg::EndAcquisition() {
    if (m_acquire->text() != ResText(kAcquireCaption))
        OnClickedAcquire();
}
