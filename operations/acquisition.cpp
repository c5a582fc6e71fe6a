// Continuous acquisition: the acquire button starts and stops it; each timer tick reads the
// measurement once and counts it as a success or a failure.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "link_state.h"
#include "message_box.h"
#include "registers.h"
#include "sensor_dlg.h"
#include "text_number.h"
#include "texts.h"

void CSensorDlg::OnClickedAcquire() {
    // The caption alone says whether acquisition runs.
    if (m_acquire->text() != ResText(kAcquireCaption)) {
        KillTimer(ACQUIRE_TIMER_ID);
        ClosePort(g_link.port);
        SetAcquireControls(true);
        m_acquire->setText(ResText(kAcquireCaption));
        return;
    }
    if (!OpenSelectedPort())
        return;
    g_link.okCount = 0;
    g_link.failCount = 0;
    m_okCount->setText(QStringLiteral("0"));
    m_failCount->setText(QStringLiteral("0"));
    m_acquire->setText(ResText(kStopCaption));
    const int period = Atoi(m_period->text());
    SetAcquireControls(false);
    SetTimer(ACQUIRE_TIMER_ID, period);
}

void CSensorDlg::OnTimer(int) {
    PurgePort(g_link.port);
    // Read afresh every tick, so a changed address takes effect at once.
    const int address = Atoi(m_address->text());
    if (TransactRow(READ_MEASUREMENT, address)) {
        m_okCount->setText(QString::number(++g_link.okCount));
        m_current->setText(QString::fromStdString(MeasurementText(g_link.lastReadWord)));
    } else {
        m_failCount->setText(QString::number(++g_link.failCount));
        m_current->setText(ResText(kNoReading));
    }
}

// Closing the window stops a running acquisition the way the operator would.
void CSensorDlg::EndAcquisition() {
    if (m_acquire->text() != ResText(kAcquireCaption))
        OnClickedAcquire();
}
