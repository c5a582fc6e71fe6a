// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: built from its template, with its initial state, the locking of control groups
// while an acquisition or a search runs, its message map and the handlers of the operator's
// actions (sensor_dlg_acquire.cpp, sensor_dlg_search.cpp, sensor_dlg_commands.cpp). The handlers
// read the boxes, call the sensor operations and choose the texts.
#pragma once

#include <QDialog>
#include <QIcon>
#include <cstdint>
#include <memory>
#include <vector>

#include "about_dlg.h"
#include "acquisition.h"
#include "res_text.h"
#include "search_worker.h"
#include "sensor_line.h"
#include "traffic_log.h"
#include "window_link_state.h"
#include "window_timers.h"

class CCurrentTrendDlg;
class CTrafficLogDlg;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

class CSensorDlg : public QDialog {
    Q_OBJECT

public:
    explicit CSensorDlg(QWidget* parent = nullptr);
    ~CSensorDlg() override;

    // The control with this id (IDC_...), or null. Ids of labels and group boxes are not bound.
    QWidget* GetDlgItem(int id) const;
    // All controls in template order.
    const std::vector<QWidget*>& controls() const { return controls_; }

    void SetAcquireControls(bool enable);
    void SetSearchControls(bool enable);

    // WM_SYSCOMMAND: 0x0010..0x001F open the About box; the standard commands keep their meaning.
    void OnSysCommand(unsigned value, intptr_t lParam);

    // Handlers of the message map.
    void OnClickedSearch();
    void OnClickedSetAddress();
    void OnClickedSetBaud();
    void OnClickedSetTurns();
    void OnClickedReadTurns();
    void OnClickedAcquire();
    void OnTimer(int timerId);
    void OnClickedZero();
    void OnClickedCalibrate();
    long OnSearchProgress(uintptr_t wParam, intptr_t lParam);
    // The context menu's tool windows (sensor_dlg_diagnostics.cpp): opened on first use, shown
    // again later, closed with the window.
    void OnTrafficLog();
    void OnCurrentTrend();

    // True while a search worker thread exists (it may be finishing a stopped search).
    bool SearchWorkerRunning() const { return searchWorker_.running(); }
    const WindowLinkState& linkState() const { return state_; }
    // The link of the window's own operations (acquisition and commands); the search worker has
    // its own.
    const LinkState& link() const { return link_; }
    // Where the exchanges of the window and its search worker are reported (the traffic log).
    ExchangeWatch& exchangeWatch() { return exchangeWatch_; }
    TrafficLog& trafficLog() { return traffic_; }

protected:
    void done(int result) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Windows: the system menu's About entry reaches OnSysCommand.
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool OnInitDialog();
    void BindControls();
    void ConnectMessageMap();
    void RefreshPortTooltips();
    void MoveFocusInGroup(QWidget* from, bool forward);

    // Search worker plumbing (sensor_dlg_search.cpp). The worker's result: 0 stopped, 1 found,
    // 2 exhausted, or kSearchPortFailed.
    static constexpr int kSearchPortFailed = 3;
    static int SearchThreadProc(CSensorDlg* window);
    // WM_SEARCH_PROGRESS: runs OnSearchProgress on the window's thread; the worker waits for it.
    void NotifySearchProgress();
    void OnSearchWorkerEnded(int result);
    void LockForSearch();
    void UnlockAfterSearch();
    void EndSearchWorker();
    // Acquisition's share of closing (sensor_dlg_acquire.cpp).
    void EndAcquisition();
    // The current trend's menu entry, and each tick's reading or its failure for it
    // (sensor_dlg_trend.cpp).
    void AddCurrentTrendEntry(QMenu& menu);
    void AddTrendTick(const Result& reading);
    void CloseToolWindows();
    // The line chosen in the port and baud lists.
    LineSettings SelectedLine() const;
    // Whether the line opened; if not, the open message (sensor_dlg_commands.cpp).
    static bool LineOpened(const SensorLine& sensor);
    // Shows the outcome of a command with its texts (sensor_dlg_commands.cpp).
    static void ReportCommand(const Result& result, const char* done, const char* failed,
                              const char* badValue);

    // The 25 bound controls, in the order the class declares them.
    QPushButton* m_zero = nullptr;
    QPushButton* m_calibrate = nullptr;
    QLineEdit* m_turns = nullptr;
    QPushButton* m_setTurns = nullptr;
    QPushButton* m_readTurns = nullptr;
    QLabel* m_okCount = nullptr;
    QLabel* m_searchResult = nullptr;
    QLabel* m_failCount = nullptr;
    QLineEdit* m_current = nullptr;
    QLineEdit* m_scanFrom = nullptr;
    QLineEdit* m_newAddress = nullptr;
    QLineEdit* m_scanTo = nullptr;
    QLineEdit* m_period = nullptr;
    QComboBox* m_newBaud = nullptr;
    QCheckBox* m_scan9600 = nullptr;
    QCheckBox* m_scan4800 = nullptr;
    QCheckBox* m_scan2400 = nullptr;
    QCheckBox* m_scan1200 = nullptr;
    QPushButton* m_setBaud = nullptr;
    QPushButton* m_setAddress = nullptr;
    QPushButton* m_acquire = nullptr;
    QPushButton* m_search = nullptr;
    QLineEdit* m_address = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_port = nullptr;
    QIcon m_hIcon;

    std::vector<QWidget*> controls_;
    WindowLinkState state_;
    ExchangeWatch exchangeWatch_;  // the traffic log watches the window's links here
    TrafficLog traffic_{exchangeWatch_};
    LinkState link_{&exchangeWatch_};
    WindowTimers timers_{this, [this](int timerId) { OnTimer(timerId); }};
    Acquisition acquisition_{timers_};

    // Search state kept on the window's thread.
    SearchWorker searchWorker_{this};
    bool searchLocked_ = false;     // the port-using controls are locked for a search
    bool searchClickHeld_ = false;  // 搜索 clicked while the last search's worker winds down
    bool zeroWasEnabled_ = false;   // zero and calibrate as they were before the search
    bool calibrateWasEnabled_ = false;

    std::unique_ptr<CAboutDlg> about_;  // the About box once shown; it closes with the window
    bool aboutInSystemMenu_ = false;    // the system menu has the About entry (Windows)

    // The diagnostics tool windows, children of this window once opened.
    CTrafficLogDlg* trafficLog_ = nullptr;
    CCurrentTrendDlg* currentTrend_ = nullptr;
};
