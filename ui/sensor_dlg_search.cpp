// SPDX-License-Identifier: GPL-3.0-or-later
// Device search: a worker thread probes every address of the range at every chosen rate and
// reports each probe to the window, which shows the progress and fills in what it found.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <utility>

#include "message_box.h"
#include "registers.h"
#include "search.h"
#include "sensor_dlg.h"
#include "text_number.h"
#include "texts.h"

void CSensorDlg::OnClickedSearch() {
    if (m_search->text() == ResText(kSearchCaption)) {
        // 搜索 keeps the focus (and Enter its click) while the worker of the last search winds
        // down; a click then waits for the worker, so that no probe reaches a port it still holds.
        if (SearchWorkerRunning()) {
            searchClickHeld_ = true;
            return;
        }
        state_.scan1200 = m_scan1200->isChecked() ? 1 : 0;
        state_.scan2400 = m_scan2400->isChecked() ? 1 : 0;
        state_.scan4800 = m_scan4800->isChecked() ? 1 : 0;
        state_.scan9600 = m_scan9600->isChecked() ? 1 : 0;
        state_.portNumber = m_port->currentIndex() + 1;
        // The range names the devices the probes talk to: a text with no number is no address.
        state_.scanFrom = ValueToSend(m_scanFrom->text());
        state_.scanTo = ValueToSend(m_scanTo->text());
        if (!SearchRangeValid(state_.scanFrom, state_.scanTo)) {
            AfxMessageBox(ResText(kBadRange));
            return;
        }
        state_.searchRunning = 1;
        m_search->setText(ResText(kStopCaption));
        SetSearchControls(false);
        LockForSearch();
        searchWorker_.Start([this] { return SearchThreadProc(this); },
                            [this](int result) { OnSearchWorkerEnded(result); });
        return;
    }
    // Stop. The operator sees it at once; the port controls come back once the worker has
    // finished its probe and let go of the port.
    m_search->setText(ResText(kSearchCaption));
    m_searchResult->setText(ResText(kSearchStopped));
    state_.searchRunning = 0;
    if (!SearchWorkerRunning())
        UnlockAfterSearch();
}

int CSensorDlg::SearchThreadProc(CSensorDlg* window) {
    WindowLinkState& state = window->state_;
    if (state.searchRunning == 0)
        return 1;
    SearchPlan plan;
    plan.line.portNumber = state.portNumber;
    // The scan boxes stand for the search's rates, in their order.
    const int boxes[] = {state.scan1200, state.scan2400, state.scan4800, state.scan9600};
    plan.rates.clear();
    for (size_t i = 0; i < std::size(boxes); ++i)
        if (boxes[i] == 1)
            plan.rates.push_back(SEARCH_RATES[i]);
    plan.first = state.scanFrom;
    plan.last = state.scanTo;
    // The worker's own link: the window's may be in use the moment the search ends.
    LinkState link(&window->exchangeWatch_);
    const SearchResult result = Search(
        link, plan, [&] { return state.searchRunning == 0; },
        [&](const Probe& probe) {
            state.probeBaud = probe.baud;
            state.probeAddress = probe.address;
            state.searchOutcome = probe.found() ? Found : Probing;
            window->NotifySearchProgress();
        });
    switch (result.end) {
        case SearchEnd::Stopped: return 0;
        case SearchEnd::Found: return 1;
        case SearchEnd::PortFailed:
            window->searchWorker_.Call([] { AfxMessageBox(ResText(kWorkerOpenFailed)); });
            return kSearchPortFailed;
        case SearchEnd::Exhausted: break;
    }
    state.searchOutcome = Exhausted;
    window->NotifySearchProgress();
    return 2;
}

void CSensorDlg::NotifySearchProgress() {
    searchWorker_.Call([this] { OnSearchProgress(0, 0); });
}

long CSensorDlg::OnSearchProgress(uintptr_t, intptr_t) {
    if (state_.searchOutcome == Probing)
        m_searchResult->setText(ResText(kSearching).arg(state_.probeBaud).arg(state_.probeAddress));
    if (state_.searchOutcome == Found) {
        AfxMessageBox(ResText(kFoundBox).arg(state_.probeBaud).arg(state_.probeAddress));
        m_searchResult->setText(
            ResText(kFoundResult).arg(state_.probeBaud).arg(state_.probeAddress));
        if (const int index = BaudIndex(state_.probeBaud); index >= 0)
            m_baud->setCurrentIndex(index);
        m_address->setText(QString::number(state_.probeAddress));
        m_search->setText(ResText(kSearchCaption));
    }
    if (state_.searchOutcome == Exhausted) {
        AfxMessageBox(ResText(kSearchFailedBox));
        m_searchResult->setText(ResText(kSearchFailedResult));
        m_search->setText(ResText(kSearchCaption));
    }
    if (state_.searchRunning == 0)
        m_searchResult->setText(ResText(kSearchStopped));
    return 1;
}

// The search has ended (found, exhausted or stopped) only once its worker has let go of the port:
// the port controls come back now, so that no click reaches a port the worker is still closing.
// A worker that failed to open the port leaves the window searching until the operator stops.
void CSensorDlg::OnSearchWorkerEnded(int result) {
    if (result != kSearchPortFailed || state_.searchRunning == 0)
        UnlockAfterSearch();
    if (std::exchange(searchClickHeld_, false))
        OnClickedSearch();
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
    m_zero->setEnabled(zeroWasEnabled_);
    m_calibrate->setEnabled(calibrateWasEnabled_);
}

void CSensorDlg::EndSearchWorker() {
    state_.searchRunning = 0;
    searchWorker_.Stop();
}
