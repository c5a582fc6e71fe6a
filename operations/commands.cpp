// The one-shot configuration commands. Each opens the chosen line, makes one exchange at the
// address in the address box, reports, and closes the line again in every path.
#include <QComboBox>
#include <QLineEdit>

#include "link_state.h"
#include "message_box.h"
#include "registers.h"
#include "sensor_dlg.h"
#include "text_number.h"
#include "texts.h"

bool CSensorDlg::OpenSelectedPort() {
    const int portNumber = m_port->currentIndex() + 1;
    const int baud = Atoi(m_baud->currentText());
    g_link.port = OpenComPort(portNumber, baud);
    if (!g_link.port)
        AfxMessageBox(ResText(kOpenFailed));
    return static_cast<bool>(g_link.port);
}

void CSensorDlg::OnClickedSetAddress() {
    if (!OpenSelectedPort())
        return;
    const int newAddress = Atoi(m_newAddress->text());
    if (newAddress < ADDRESS_MIN || newAddress > ADDRESS_MAX) {
        AfxMessageBox(ResText(kBadNewAddress));
    } else if (TransactRow(WRITE_ADDRESS, Atoi(m_address->text()), newAddress)) {
        AfxMessageBox(ResText(kSetAddressDone));
        m_address->setText(m_newAddress->text());  // as typed: "012" stays "012"
    } else {
        AfxMessageBox(ResText(kSetAddressFailed));
    }
    ClosePort(g_link.port);
}

void CSensorDlg::OnClickedSetBaud() {
    if (!OpenSelectedPort())
        return;
    const int address = Atoi(m_address->text());
    if (TransactRow(WRITE_BAUD, address, Atoi(m_newBaud->currentText()))) {
        AfxMessageBox(ResText(kSetBaudDone));
        m_baud->setCurrentIndex(m_newBaud->currentIndex());  // both lists hold the same rates
    } else {
        AfxMessageBox(ResText(kReadFailed));
    }
    ClosePort(g_link.port);
}

void CSensorDlg::OnClickedSetTurns() {
    if (!OpenSelectedPort())
        return;
    const int address = Atoi(m_address->text());
    const int turns = Atoi(m_turns->text());
    if (turns > TURNS_MAX || turns < TURNS_MIN)
        AfxMessageBox(ResText(kBadTurns));
    else
        AfxMessageBox(
            ResText(TransactRow(WRITE_TURNS, address, turns) ? kSetTurnsDone : kReadFailed));
    ClosePort(g_link.port);
}

void CSensorDlg::OnClickedReadTurns() {
    if (!OpenSelectedPort())
        return;
    if (TransactRow(READ_TURNS, Atoi(m_address->text())))
        m_turns->setText(QString::number(TurnsValue(g_link.lastReadWord)));
    else
        AfxMessageBox(ResText(kReadFailed));
    ClosePort(g_link.port);
}

void CSensorDlg::OnClickedZero() {
    if (!OpenSelectedPort())
        return;
    AfxMessageBox(ResText(TransactRow(ZERO, Atoi(m_address->text())) ? kZeroDone : kZeroFailed));
    ClosePort(g_link.port);
}

void CSensorDlg::OnClickedCalibrate() {
    if (!OpenSelectedPort())
        return;
    AfxMessageBox(ResText(TransactRow(CALIBRATE, Atoi(m_address->text())) ? kCalibrateDone
                                                                          : kCalibrateFailed));
    ClosePort(g_link.port);
}
