// Device search: a worker thread probes every address of the range at every chosen rate and
// reports each probe to the window, which shows the progress and fills in what it found.
#include <QCheckBox>
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

namespace {

// Where a found rate sits in the baud lists; -1 for a rate they do not hold.
int BaudIndex(int baud) {
    switch (baud) {
        case 1200: return 0;
        case 2400: return 1;
        case 4800: return 2;
        case 9600: return 3;
        case 19200: return 4;
        default: return -1;
    }
}

bool OutOfRange(int address) {
    return address < ADDRESS_MIN || address > ADDRESS_MAX;
}

}  // namespace

void CSensorDlg::OnClickedSearch() {
    if (m_search->text() == ResText(kSearchCaption)) {
        // A worker that has just found or exhausted is at its very end; let it finish first.
        if (searchWorker_.joinable())
            searchWorker_.join();
        g_link.scan1200 = m_scan1200->isChecked() ? 1 : 0;
        g_link.scan2400 = m_scan2400->isChecked() ? 1 : 0;
        g_link.scan4800 = m_scan4800->isChecked() ? 1 : 0;
        g_link.scan9600 = m_scan9600->isChecked() ? 1 : 0;
        g_link.portNumber = m_port->currentIndex() + 1;
        g_link.scanFrom = Atoi(m_scanFrom->text());
        g_link.scanTo = Atoi(m_scanTo->text());
        if (OutOfRange(g_link.scanFrom) || OutOfRange(g_link.scanTo) ||
            g_link.scanFrom > g_link.scanTo) {
            AfxMessageBox(ResText(kBadRange));
            return;
        }
        g_link.searchRunning = 1;
        m_search->setText(ResText(kStopCaption));
        SetSearchControls(false);
        LockForSearch();
        searchCall_.Open();
        const unsigned generation = ++searchGeneration_;
        searchWorker_ = std::thread([this, generation] {
            SearchThreadProc(this);
            QMetaObject::invokeMethod(
                this, [this, generation] { OnSearchWorkerEnded(generation); },
                Qt::QueuedConnection);
        });
        return;
    }
    // Stop. The operator sees it at once; the port controls come back once the worker has
    // finished its probe and let go of the port.
    m_search->setText(ResText(kSearchCaption));
    m_searchResult->setText(ResText(kSearchStopped));
    g_link.searchRunning = 0;
    if (SearchWorkerRunning())
        m_search->setEnabled(false);
    else
        UnlockAfterSearch();
}

int CSensorDlg::SearchThreadProc(CSensorDlg* window) {
    if (g_link.searchRunning == 0)
        return 1;
    const struct {
        int baud;
        const int& box;
    } rates[] = {{1200, g_link.scan1200},
                 {2400, g_link.scan2400},
                 {4800, g_link.scan4800},
                 {9600, g_link.scan9600}};
    for (int address = g_link.scanFrom; address <= g_link.scanTo; ++address) {
        for (const auto& rate : rates) {
            if (rate.box != 1)
                continue;
            if (g_link.searchRunning == 0)
                return 0;
            g_link.probeBaud = rate.baud;
            g_link.port = OpenComPort(g_link.portNumber, rate.baud);
            if (!g_link.port) {
                window->searchCall_.Call([] { AfxMessageBox(ResText(kWorkerOpenFailed)); });
                return 3;
            }
            const bool found = TransactRow(SEARCH_PROBE, address) == 1;
            g_link.searchOutcome = found ? Found : Probing;
            g_link.probeAddress = address;
            ClosePort(g_link.port);
            window->NotifySearchProgress();
            if (found)
                return 1;
        }
    }
    g_link.searchOutcome = Exhausted;
    window->NotifySearchProgress();
    return 2;
}

void CSensorDlg::NotifySearchProgress() {
    searchCall_.Call([this] { OnSearchProgress(0, 0); });
}

long CSensorDlg::OnSearchProgress(uintptr_t, intptr_t) {
    if (g_link.searchOutcome == Probing)
        m_searchResult->setText(ResText(kSearching).arg(g_link.probeBaud).arg(g_link.probeAddress));
    if (g_link.searchOutcome == Found) {
        AfxMessageBox(ResText(kFoundBox).arg(g_link.probeBaud).arg(g_link.probeAddress));
        m_searchResult->setText(
            ResText(kFoundResult).arg(g_link.probeBaud).arg(g_link.probeAddress));
        if (const int index = BaudIndex(g_link.probeBaud); index >= 0)
            m_baud->setCurrentIndex(index);
        m_address->setText(QString::number(g_link.probeAddress));
        m_search->setText(ResText(kSearchCaption));
        UnlockAfterSearch();
    }
    if (g_link.searchOutcome == Exhausted) {
        AfxMessageBox(ResText(kSearchFailedBox));
        m_searchResult->setText(ResText(kSearchFailedResult));
        m_search->setText(ResText(kSearchCaption));
        UnlockAfterSearch();
    }
    if (g_link.searchRunning == 0)
        m_searchResult->setText(ResText(kSearchStopped));
    return 1;
}

void CSensorDlg::OnSearchWorkerEnded(unsigned generation) {
    if (generation != searchGeneration_ || !searchWorker_.joinable())
        return;
    searchWorker_.join();
    // A worker that failed to open the port leaves the window searching until the operator stops;
    // only a stopped search is unlocked here.
    if (g_link.searchRunning == 0)
        UnlockAfterSearch();
}

// Zero and calibrate use the port too, so they are locked with the rest and given back as they
// were.
void CSensorDlg::LockForSearch() {
    zeroWasEnabled_ = m_zero->isEnabled();
    calibrateWasEnabled_ = m_calibrate->isEnabled();
    m_zero->setEnabled(false);
    m_calibrate->setEnabled(false);
    searchLocked_ = true;
}

void CSensorDlg::UnlockAfterSearch() {
    if (!searchLocked_)
        return;
    searchLocked_ = false;
    SetSearchControls(true);
    m_search->setEnabled(true);
    m_zero->setEnabled(zeroWasEnabled_);
    m_calibrate->setEnabled(calibrateWasEnabled_);
}

void CSensorDlg::EndSearchWorker() {
    if (!searchWorker_.joinable())
        return;
    g_link.searchRunning = 0;
    searchCall_.Close();
    searchWorker_.join();
}
