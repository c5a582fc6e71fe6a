// SPDX-License-Identifier: GPL-3.0-or-later
// The one-shot configuration commands. Each opens the chosen line, makes the range checks, one
// exchange at the address in the address box, reports, and closes the line after the report.
#include <QComboBox>
#include <QLineEdit>

#include "message_box.h"
#include "registers.h"
#include "sensor_dlg.h"
#include "text_number.h"
#include "texts.h"

LineSettings CSensorDlg::SelectedLine() const {
    LineSettings line;
    line.portNumber = m_port->currentIndex() + 1;
    line.baud = Atoi(m_baud->currentText());
    return line;
}

bool CSensorDlg::LineOpened(const SensorLine& sensor) {
    if (!sensor.open())
        AfxMessageBox(ResText(kOpenFailed));
    return sensor.open();
}

// A device address out of 0..255 is refused with the address range message, like a new address.
void CSensorDlg::ReportCommand(const Result& result, const char* done, const char* failed,
                               const char* badValue) {
    switch (result.outcome) {
        case Outcome::Done: AfxMessageBox(ResText(done)); break;
        case Outcome::BadValue: AfxMessageBox(ResText(badValue)); break;
        case Outcome::BadAddress: AfxMessageBox(ResText(kBadNewAddress)); break;
        case Outcome::PortFailed: AfxMessageBox(ResText(kOpenFailed)); break;
        case Outcome::Failed: AfxMessageBox(ResText(failed)); break;
    }
}

void CSensorDlg::OnClickedSetAddress() {
    SensorLine sensor(link_, SelectedLine());
    if (!LineOpened(sensor))
        return;
    const Result result =
        sensor.SetAddress(ValueToSend(m_address->text()), ValueToSend(m_newAddress->text()));
    ReportCommand(result, kSetAddressDone, kSetAddressFailed, kBadNewAddress);
    if (result.done())
        m_address->setText(m_newAddress->text());  // as typed: "012" stays "012"
}

void CSensorDlg::OnClickedSetBaud() {
    SensorLine sensor(link_, SelectedLine());
    if (!LineOpened(sensor))
        return;
    const Result result =
        sensor.SetBaud(ValueToSend(m_address->text()), Atoi(m_newBaud->currentText()));
    ReportCommand(result, kSetBaudDone, kReadFailed, kReadFailed);
    if (result.done())
        m_baud->setCurrentIndex(m_newBaud->currentIndex());  // both lists hold the same rates
}

void CSensorDlg::OnClickedSetTurns() {
    SensorLine sensor(link_, SelectedLine());
    if (!LineOpened(sensor))
        return;
    ReportCommand(sensor.SetTurns(ValueToSend(m_address->text()), ValueToSend(m_turns->text())),
                  kSetTurnsDone, kReadFailed, kBadTurns);
}

void CSensorDlg::OnClickedReadTurns() {
    SensorLine sensor(link_, SelectedLine());
    if (!LineOpened(sensor))
        return;
    const Result result = sensor.ReadTurns(ValueToSend(m_address->text()));
    if (result.done())
        m_turns->setText(QString::number(TurnsValue(result.word)));
    else
        ReportCommand(result, "", kReadFailed, kReadFailed);
}

void CSensorDlg::OnClickedZero() {
    SensorLine sensor(link_, SelectedLine());
    if (LineOpened(sensor))
        ReportCommand(sensor.Zero(ValueToSend(m_address->text())), kZeroDone, kZeroFailed,
                      kZeroFailed);
}

void CSensorDlg::OnClickedCalibrate() {
    SensorLine sensor(link_, SelectedLine());
    if (LineOpened(sensor))
        ReportCommand(sensor.Calibrate(ValueToSend(m_address->text())), kCalibrateDone,
                      kCalibrateFailed, kCalibrateFailed);
}
