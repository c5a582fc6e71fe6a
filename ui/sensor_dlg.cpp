// SPDX-License-Identifier: GPL-3.0-or-later
#include "sensor_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "about_dlg.h"
#include "dialog_builder.h"
#include "main_icon.h"
#include "port_names.h"
#include "resource.h"
#include "system_menu.h"
#include "texts.h"

CSensorDlg::CSensorDlg(QWidget* parent) : QDialog(parent), m_hIcon(MainIcon()) {
    // Fixed size, caption and close box only: no minimize, maximize or sizing border.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    controls_ = BuildControls(kSensorDialog, this, m_hIcon);
    BindControls();
    ConnectMessageMap();
    OnInitDialog();
}

CSensorDlg::~CSensorDlg() {
    EndSearchWorker();
    EndAcquisition();
}

QWidget* CSensorDlg::GetDlgItem(int id) const {
    if (id == IDC_STATIC)
        return nullptr;
    for (size_t i = 0; i < controls_.size(); ++i)
        if (kSensorDialog.controls[i].id == id)
            return controls_[i];
    return nullptr;
}

void CSensorDlg::BindControls() {
    auto bind = [this](auto*& member, int id) {
        member = qobject_cast<std::remove_reference_t<decltype(member)>>(GetDlgItem(id));
        Q_ASSERT(member);
    };
    bind(m_zero, IDC_ZERO);
    bind(m_calibrate, IDC_CALIBRATE);
    bind(m_turns, IDC_TURNS);
    bind(m_setTurns, IDC_SET_TURNS);
    bind(m_readTurns, IDC_READ_TURNS);
    bind(m_okCount, IDC_OK_COUNT);
    bind(m_searchResult, IDC_SEARCH_RESULT);
    bind(m_failCount, IDC_FAIL_COUNT);
    bind(m_current, IDC_CURRENT);
    bind(m_scanFrom, IDC_SCAN_FROM);
    bind(m_newAddress, IDC_NEW_ADDRESS);
    bind(m_scanTo, IDC_SCAN_TO);
    bind(m_period, IDC_PERIOD);
    bind(m_newBaud, IDC_NEW_BAUD);
    bind(m_scan9600, IDC_SCAN_9600);
    bind(m_scan4800, IDC_SCAN_4800);
    bind(m_scan2400, IDC_SCAN_2400);
    bind(m_scan1200, IDC_SCAN_1200);
    bind(m_setBaud, IDC_SET_BAUD);
    bind(m_setAddress, IDC_SET_ADDRESS);
    bind(m_acquire, IDC_ACQUIRE);
    bind(m_search, IDC_SEARCH);
    bind(m_address, IDC_ADDRESS);
    bind(m_baud, IDC_BAUD);
    bind(m_port, IDC_PORT);
}

// The message map. Typing in the period or current box deliberately does nothing: the period is
// read when acquisition starts, and the current box is only ever written by the program.
void CSensorDlg::ConnectMessageMap() {
    const std::pair<QPushButton*, void (CSensorDlg::*)()> clicks[] = {
        {m_search, &CSensorDlg::OnClickedSearch},
        {m_setAddress, &CSensorDlg::OnClickedSetAddress},
        {m_setBaud, &CSensorDlg::OnClickedSetBaud},
        {m_setTurns, &CSensorDlg::OnClickedSetTurns},
        {m_readTurns, &CSensorDlg::OnClickedReadTurns},
        {m_acquire, &CSensorDlg::OnClickedAcquire},
        {m_zero, &CSensorDlg::OnClickedZero},
        {m_calibrate, &CSensorDlg::OnClickedCalibrate},
    };
    for (auto [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);
}

bool CSensorDlg::OnInitDialog() {
    aboutInSystemMenu_ = AppendAboutToSystemMenu(*this, ResText(IDS_ABOUTBOX_TEXT), IDM_ABOUTBOX);
    setWindowIcon(m_hIcon);
    m_port->setCurrentIndex(0);
    m_baud->setCurrentIndex(3);
    m_newBaud->setCurrentIndex(0);
    m_address->setText(QStringLiteral("0"));
    m_newAddress->setText(QStringLiteral("255"));
    m_period->setText(QStringLiteral("500"));
    m_scanFrom->setText(QStringLiteral("0"));
    m_scanTo->setText(QStringLiteral("255"));
    for (QCheckBox* box : {m_scan1200, m_scan2400, m_scan4800, m_scan9600})
        box->setChecked(true);
    RefreshPortTooltips();
    m_port->installEventFilter(this);
    for (QWidget* control : controls_)
        if (qobject_cast<QAbstractButton*>(control))
            control->installEventFilter(this);
    m_port->setFocus();
    return true;
}

// Each COM item tells where it leads on this machine, with the device's name when the system
// gives one. Adapters come and go, so the list is looked at again whenever the pointer or the
// focus reaches it.
void CSensorDlg::RefreshPortTooltips() {
    for (int i = 0; i < m_port->count(); ++i) {
        std::string path = ComPortPath(i + 1);
        if (const std::string name = PortFriendlyName(i + 1); !path.empty() && !name.empty())
            path += " (" + name + ")";
        m_port->setItemData(i, path.empty() ? ResText(kNoDevice) : QString::fromStdString(path),
                            Qt::ToolTipRole);
    }
    m_port->setToolTip(m_port->itemData(m_port->currentIndex(), Qt::ToolTipRole).toString());
}

bool CSensorDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_port && (event->type() == QEvent::Enter || event->type() == QEvent::FocusIn))
        RefreshPortTooltips();
    // Buttons and check boxes leave their arrow keys to the dialog (edit boxes and lists keep
    // theirs): Down and Right go to the next control of the group, Up and Left to the previous.
    if (event->type() == QEvent::KeyPress && qobject_cast<QAbstractButton*>(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (key->key() == Qt::Key_Down || key->key() == Qt::Key_Right)) {
            MoveFocusInGroup(static_cast<QWidget*>(watched), true);
            return true;
        }
        if (plain && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Left)) {
            MoveFocusInGroup(static_cast<QWidget*>(watched), false);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// A group runs from a control with the group style to the control before the next such control,
// in template order; the focus wraps around within it, over the controls that can take it.
void CSensorDlg::MoveFocusInGroup(QWidget* from, bool forward) {
    const auto& templ = kSensorDialog.controls;
    const int count = static_cast<int>(controls_.size());
    const int at =
        static_cast<int>(std::find(controls_.begin(), controls_.end(), from) - controls_.begin());
    if (at == count)
        return;
    int first = at;
    while (first > 0 && !(templ[first].styles & style::Group))
        --first;
    int end = at + 1;
    while (end < count && !(templ[end].styles & style::Group))
        ++end;
    const int size = end - first;
    for (int step = 1; step < size; ++step) {
        const int offset = ((at - first) + (forward ? step : size - step)) % size;
        QWidget* candidate = controls_[first + offset];
        if (candidate->focusPolicy() != Qt::NoFocus && candidate->isEnabled() &&
            candidate->isVisible()) {
            candidate->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void CSensorDlg::SetAcquireControls(bool enable) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_setTurns, m_readTurns, m_newBaud, m_scan9600, m_scan4800, m_scan2400, m_scan1200,
             m_setBaud, m_setAddress, m_search, m_zero, m_calibrate})
        control->setEnabled(enable);
}

void CSensorDlg::SetSearchControls(bool enable) {
    for (QWidget* control : std::initializer_list<QWidget*>{m_acquire, m_setAddress, m_setBaud,
                                                            m_setTurns, m_readTurns})
        control->setEnabled(enable);
}

// The About box blocks the operator's input, not the window's loop: it is modal but shown without
// a loop of its own, so that nothing the window runs (a tick above all) waits for it to close.
void CSensorDlg::OnSysCommand(unsigned value, intptr_t) {
    if ((value & 0xFFF0) == IDM_ABOUTBOX) {
        about_ = std::make_unique<CAboutDlg>();
        about_->setWindowModality(Qt::ApplicationModal);
        about_->show();
        return;
    }
    switch (value & 0xFFF0) {
        case SC_CLOSE: reject(); break;
        case SC_MINIMIZE: showMinimized(); break;
        case SC_RESTORE: showNormal(); break;
        default: break;
    }
}

bool CSensorDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    if (const std::optional<unsigned> command = OwnSystemCommand(message, IDM_ABOUTBOX)) {
        OnSysCommand(*command, 0);
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}

// Where the system menu cannot have the About entry (X11 gives a program no say in the window
// manager's menu), it lives in the window's own context menu, beneath the diagnostics tool
// windows. The menu is a popup without a loop of its own, for the same reason as the About box.
void CSensorDlg::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(ResText(kTrafficLogMenu)), &QAction::triggered, this,
            &CSensorDlg::OnTrafficLog);
    AddCurrentTrendEntry(*menu);
    const QString about = ResText(IDS_ABOUTBOX_TEXT);
    if (!about.isEmpty() && !aboutInSystemMenu_) {
        menu->addSeparator();
        connect(menu->addAction(about), &QAction::triggered, this,
                [this] { OnSysCommand(IDM_ABOUTBOX, 0); });
    }
    menu->popup(event->globalPos());
}

// The dialog keeps Win32's keys: Esc closes; Enter clicks a focused push button and otherwise
// closes the window (the dialog has no default button). An open drop-down list takes its own keys.
void CSensorDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            if (button->isEnabled())
                button->click();
            return;
        }
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

// However the window closes, nothing it started outlives it: the search worker is stopped and
// joined, the acquisition timer killed and the port released, the tool windows closed, and no
// message box follows.
void CSensorDlg::done(int result) {
    EndSearchWorker();
    EndAcquisition();
    CloseToolWindows();
    about_.reset();
    QDialog::done(result);
}

void CSensorDlg::timerEvent(QTimerEvent* event) {
    if (!timers_.Dispatch(event))
        QDialog::timerEvent(event);
}
