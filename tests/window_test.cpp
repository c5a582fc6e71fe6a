// SPDX-License-Identifier: GPL-3.0-or-later
// The main window and the About box: layout, initial state, locking groups, keys, system
// commands. Expected values come from the window's published template (dialog units converted
// with Win32's rounding by hand), not from the code under test.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "about_dlg.h"
#include "dialog_builder.h"
#include "message_box.h"
#include "resource.h"
#include "support/sim_process.h"
#include "support/window_support.h"

namespace {

struct ExpectedControl {
    int id;
    const char* kind;
    const char* text;
    QRect pixels;  // with 6 x 12 base units; drop-down lists closed
};

const ExpectedControl kExpected[] = {
    {IDC_STATIC, "QLabel", "串口号：", {21, 23, 50, 12}},
    {IDC_PORT, "QComboBox", "", {89, 18, 72, 20}},
    {IDC_STATIC, "QLabel", "波特率：", {227, 23, 49, 12}},
    {IDC_BAUD, "QComboBox", "", {281, 18, 87, 20}},
    {IDC_STATIC, "QLabel", "地址：", {438, 21, 38, 12}},
    {IDC_ADDRESS, "QLineEdit", "", {488, 18, 70, 21}},
    {IDC_STATIC, "", "", {11, 3, 559, 44}},
    {IDC_SCAN_1200, "QCheckBox", "1200", {98, 56, 48, 15}},
    {IDC_SCAN_2400, "QCheckBox", "2400", {156, 56, 48, 15}},
    {IDC_SCAN_4800, "QCheckBox", "4800", {218, 56, 48, 15}},
    {IDC_SCAN_9600, "QCheckBox", "9600", {284, 56, 48, 15}},
    {IDC_SEARCH, "QPushButton", "搜索", {149, 75, 39, 21}},
    {IDC_STATIC, "QLabel", "波特率范围：", {20, 57, 73, 12}},
    {IDC_STATIC, "QLabel", "地址范围  ：", {356, 56, 76, 12}},
    {IDC_SCAN_FROM, "QLineEdit", "", {447, 51, 33, 21}},
    {IDC_STATIC, "QLabel", "--", {482, 56, 13, 12}},
    {IDC_SCAN_TO, "QLineEdit", "", {497, 51, 33, 21}},
    {IDC_SEARCH_RESULT, "QLabel", "搜索结果", {258, 80, 240, 12}},
    {IDC_STATIC, "", "", {11, 39, 559, 66}},
    {IDC_STATIC, "QLabel", "地址：", {21, 119, 38, 12}},
    {IDC_NEW_ADDRESS, "QLineEdit", "", {59, 114, 40, 21}},
    {IDC_SET_ADDRESS, "QPushButton", "设置", {110, 113, 39, 21}},
    {IDC_STATIC, "QLabel", "波特率：", {164, 119, 49, 12}},
    {IDC_NEW_BAUD, "QComboBox", "", {213, 113, 68, 20}},
    {IDC_SET_BAUD, "QPushButton", "设置", {285, 113, 39, 21}},
    {IDC_STATIC, "", "", {11, 96, 559, 48}},
    {IDC_STATIC, "QLabel", "原边线圈匝数:", {339, 119, 80, 12}},
    {IDC_TURNS, "QLineEdit", "", {425, 114, 40, 23}},
    {IDC_STATIC, "", "", {11, 135, 559, 47}},
    {IDC_STATIC, "QLabel", "采集周期：", {23, 155, 61, 12}},
    {IDC_PERIOD, "QLineEdit", "", {87, 150, 42, 21}},
    {IDC_STATIC, "QLabel", "ms", {134, 153, 13, 12}},
    {IDC_STATIC, "QLabel", "成功：", {161, 153, 37, 12}},
    {IDC_OK_COUNT, "QLabel", "0", {198, 153, 41, 12}},
    {IDC_STATIC, "QLabel", "次", {245, 153, 13, 12}},
    {IDC_STATIC, "QLabel", "失败：", {278, 153, 37, 12}},
    {IDC_FAIL_COUNT, "QLabel", "0", {315, 153, 41, 12}},
    {IDC_STATIC, "QLabel", "次", {362, 153, 13, 12}},
    {IDC_ACQUIRE, "QPushButton", "采集", {393, 150, 44, 21}},
    {IDC_STATIC, "QLabel", "电流值:", {456, 153, 44, 12}},
    {IDC_CURRENT, "QLineEdit", "", {503, 149, 60, 21}},
    {IDC_STATIC, "", "", {11, 174, 559, 53}},
    {IDC_SET_TURNS, "QPushButton", "设置", {474, 114, 45, 23}},
    {IDC_READ_TURNS, "QPushButton", "读取", {525, 111, 41, 26}},
    {IDC_ZERO, "QPushButton", "调零", {192, 192, 75, 21}},
    {IDC_CALIBRATE, "QPushButton", "较机", {297, 192, 75, 21}},
};

const int kAcquireGroup[] = {IDC_SET_TURNS,   IDC_READ_TURNS, IDC_NEW_BAUD,  IDC_SCAN_9600,
                             IDC_SCAN_4800,   IDC_SCAN_2400,  IDC_SCAN_1200, IDC_SET_BAUD,
                             IDC_SET_ADDRESS, IDC_SEARCH,     IDC_ZERO,      IDC_CALIBRATE};
const int kSearchGroup[] = {IDC_ACQUIRE, IDC_SET_ADDRESS, IDC_SET_BAUD, IDC_SET_TURNS,
                            IDC_READ_TURNS};

// Runs OnSysCommand and says whether an About box opened (and closes it).
bool OpensAbout(CSensorDlg& dialog, unsigned value) {
    bool opened = false;
    QTimer::singleShot(0, [&] {
        if (auto* about = qobject_cast<CAboutDlg*>(QApplication::activeModalWidget())) {
            opened = true;
            about->accept();
        }
    });
    dialog.OnSysCommand(value, 0);
    QCoreApplication::processEvents();
    return opened;
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    void layoutFollowsTheTemplate() {
        if (DialogBaseUnits(DialogFont(9)) != QSize(6, 12))
            QSKIP("the Song face (fonts-arphic-uming) is missing: base units are not 6 x 12");
        CSensorDlg dialog;
        QCOMPARE(dialog.size(), QSize(581, 237));
        QCOMPARE(dialog.minimumSize(), dialog.maximumSize());
        QCOMPARE(dialog.windowTitle(), U("KORVAN霍尔直流电流传感器(发行版)"));
        QCOMPARE(dialog.controls().size(), std::size(kExpected));
    }

    void eachControlFollowsTheTemplate_data() {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < std::size(kExpected); ++i)
            QTest::addRow("control %d (%d)", int(i + 1), kExpected[i].id) << int(i);
    }
    void eachControlFollowsTheTemplate() {
        QFETCH(int, index);
        if (DialogBaseUnits(DialogFont(9)) != QSize(6, 12))
            QSKIP("the Song face (fonts-arphic-uming) is missing: base units are not 6 x 12");
        CSensorDlg dialog;
        const ExpectedControl& expected = kExpected[index];
        QWidget* widget = dialog.controls()[index];
        QCOMPARE(widget->geometry(), expected.pixels);
        if (*expected.kind)
            QVERIFY(widget->inherits(expected.kind));
        if (expected.id != IDC_STATIC)
            QCOMPARE(dialog.GetDlgItem(expected.id), widget);
        if (*expected.text && expected.id != IDC_OK_COUNT && expected.id != IDC_FAIL_COUNT)
            QCOMPARE(TextOf(widget), U(expected.text));
    }

    // Group boxes follow the controls they frame; the mouse must still reach every control.
    void everyControlTakesTheMouse() {
        CSensorDlg dialog;
        for (QWidget* widget : dialog.controls()) {
            if (!(widget->focusPolicy() & Qt::ClickFocus))
                continue;
            QWidget* hit = dialog.childAt(widget->geometry().center());
            QVERIFY2(hit == widget || widget->isAncestorOf(hit), qPrintable(TextOf(widget)));
        }
    }

    void tabOrderIsTemplateOrder() {
        CSensorDlg dialog;
        QList<QWidget*> stops;
        for (QWidget* widget : dialog.controls())
            if (widget->focusPolicy() & Qt::TabFocus)
                stops << widget;
        QCOMPARE(stops.size(), 22);
        for (int i = 0; i + 1 < stops.size(); ++i) {
            QWidget* next = stops[i]->nextInFocusChain();
            while (!(next->focusPolicy() & Qt::TabFocus))
                next = next->nextInFocusChain();
            QCOMPARE(next, stops[i + 1]);
        }
    }

    void initialState() {
        CSensorDlg dialog;
        QCOMPARE(Item<QComboBox>(dialog, IDC_PORT)->currentText(), U("COM1"));
        QCOMPARE(Item<QComboBox>(dialog, IDC_BAUD)->currentText(), U("9600"));
        QCOMPARE(Item<QComboBox>(dialog, IDC_NEW_BAUD)->currentText(), U("1200"));
        const std::pair<int, const char*> texts[] = {
            {IDC_ADDRESS, "0"},       {IDC_SCAN_FROM, "0"},
            {IDC_SCAN_TO, "255"},     {IDC_SEARCH_RESULT, "搜索结果"},
            {IDC_NEW_ADDRESS, "255"}, {IDC_TURNS, ""},
            {IDC_PERIOD, "500"},      {IDC_OK_COUNT, "0"},
            {IDC_FAIL_COUNT, "0"},    {IDC_CURRENT, ""},
            {IDC_SEARCH, "搜索"},     {IDC_ACQUIRE, "采集"},
        };
        for (auto [id, text] : texts)
            QCOMPARE(TextOf(dialog, id), U(text));
        for (int id : {IDC_SCAN_1200, IDC_SCAN_2400, IDC_SCAN_4800, IDC_SCAN_9600})
            QCOMPARE(Item<QCheckBox>(dialog, id)->checkState(), Qt::Checked);
        for (QWidget* widget : dialog.controls())
            QCOMPARE(widget->isEnabled(), widget != dialog.GetDlgItem(IDC_CALIBRATE));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_PORT));
    }

    void listsHoldTheirItems() {
        CSensorDlg dialog;
        auto* port = Item<QComboBox>(dialog, IDC_PORT);
        QCOMPARE(port->count(), 10);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(port->itemText(i), QStringLiteral("COM%1").arg(i + 1));
        QCOMPARE(port->itemText(9), U("COM10"));
        const QString tip = port->itemData(0, Qt::ToolTipRole).toString();
#ifdef _WIN32  // the device, then what Windows calls it
        QVERIFY2(tip.startsWith(U("\\\\.\\COM1")), qPrintable(tip));
#else
        QCOMPARE(tip, U("/nonexistent/tessaly-com1"));
#endif
        for (int id : {IDC_BAUD, IDC_NEW_BAUD}) {
            auto* list = Item<QComboBox>(dialog, id);
            QVERIFY(!list->isEditable());
            QStringList items;
            for (int i = 0; i < list->count(); ++i)
                items << list->itemText(i);
            QCOMPARE(items, QStringList({U("1200"), U("2400"), U("4800"), U("9600"), U("19200")}));
        }
    }

    void lockingGroups() {
        CSensorDlg dialog;
        const struct {
            void (CSensorDlg::*set)(bool);
            std::vector<int> group;
        } groups[] = {
            {&CSensorDlg::SetAcquireControls, {std::begin(kAcquireGroup), std::end(kAcquireGroup)}},
            {&CSensorDlg::SetSearchControls, {std::begin(kSearchGroup), std::end(kSearchGroup)}}};
        for (const auto& g : groups) {
            for (QWidget* widget : dialog.controls())
                widget->setEnabled(true);
            (dialog.*g.set)(false);
            for (const ExpectedControl& c : kExpected)
                if (c.id != IDC_STATIC) {
                    const bool inGroup =
                        std::find(g.group.begin(), g.group.end(), c.id) != g.group.end();
                    QCOMPARE(dialog.GetDlgItem(c.id)->isEnabled(), !inGroup);
                }
            dialog.GetDlgItem(g.group.front())->setEnabled(true);  // enabling does not remember
            (dialog.*g.set)(true);
            for (int id : g.group)
                QVERIFY(dialog.GetDlgItem(id)->isEnabled());
        }
    }

    // Enter closes the window from a box, a check box or a closed list; on a focused push button
    // it clicks the button instead. Esc closes.
    void keysFollowTheDialogRules_data() {
        QTest::addColumn<int>("focus");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("result");  // -1: the window stays open
        QTest::newRow("Enter in a box")
            << IDC_ADDRESS << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Enter on a check box")
            << IDC_SCAN_1200 << int(Qt::Key_Return) << int(QDialog::Accepted);
        QTest::newRow("Enter in a closed list")
            << IDC_BAUD << int(Qt::Key_Enter) << int(QDialog::Accepted);
        QTest::newRow("Esc") << IDC_PORT << int(Qt::Key_Escape) << int(QDialog::Rejected);
        QTest::newRow("Enter on a button clicks it") << IDC_SEARCH << int(Qt::Key_Return) << -1;
    }
    void keysFollowTheDialogRules() {
        QFETCH(int, focus);
        QFETCH(int, key);
        QFETCH(int, result);
        RecordedMessages messages;
        CSensorDlg dialog;
        SetText(dialog, IDC_SCAN_FROM, "10");  // a search the click must refuse
        SetText(dialog, IDC_SCAN_TO, "5");
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.GetDlgItem(focus)->setFocus();
        QTest::keyClick(dialog.GetDlgItem(focus), Qt::Key(key));
        QCOMPARE(dialog.isVisible(), result < 0);
        if (result >= 0)
            QCOMPARE(dialog.result(), result);
        else
            QCOMPARE(messages.texts, QStringList{U("请输入正确的地址范围0~255!!!")});
    }

    // Arrow keys on a button or a check box stay within its group; edit boxes keep theirs.
    void arrowKeysStayInTheirGroup_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("to");
        QTest::newRow("search, down: wraps to the address box")
            << IDC_SEARCH << int(Qt::Key_Down) << IDC_ADDRESS;
        QTest::newRow("search, up") << IDC_SEARCH << int(Qt::Key_Up) << IDC_SCAN_9600;
        QTest::newRow("1200, right") << IDC_SCAN_1200 << int(Qt::Key_Right) << IDC_SCAN_2400;
        QTest::newRow("1200, left") << IDC_SCAN_1200 << int(Qt::Key_Left) << IDC_ADDRESS;
        QTest::newRow("set address, down")
            << IDC_SET_ADDRESS << int(Qt::Key_Down) << IDC_NEW_ADDRESS;
        QTest::newRow("acquire: alone in its group")
            << IDC_ACQUIRE << int(Qt::Key_Down) << IDC_ACQUIRE;
        QTest::newRow("zero, down") << IDC_ZERO << int(Qt::Key_Down) << IDC_CALIBRATE;
        QTest::newRow("read turns, up") << IDC_READ_TURNS << int(Qt::Key_Up) << IDC_SET_TURNS;
        QTest::newRow("set turns, up: wraps over the current box")
            << IDC_SET_TURNS << int(Qt::Key_Up) << IDC_CURRENT;
    }
    void arrowKeysStayInTheirGroup() {
        QFETCH(int, from);
        QFETCH(int, key);
        QFETCH(int, to);
        CSensorDlg dialog;
        dialog.GetDlgItem(IDC_CALIBRATE)->setEnabled(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.GetDlgItem(from)->setFocus();
        QTest::keyClick(dialog.GetDlgItem(from), Qt::Key(key));
        QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(to));
    }

    // Every box the operators know carries the exclamation icon and one OK button.
    void messageBoxesCarryTheWarningIcon() {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title, button;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                icon = box->icon();
                title = box->windowTitle();
                button = box->buttons().value(0)->text();
                box->accept();
            }
        });
        AfxMessageBox(U("调零成功!!!"));
        QCOMPARE(icon, QMessageBox::Warning);
        QCOMPARE(title, QCoreApplication::applicationName());
        QCOMPARE(button, U("确定"));
    }

    void systemCommands() {
        CSensorDlg dialog;
        dialog.show();
        for (unsigned value = 0x0010; value <= 0x001F; ++value)
            QVERIFY2(OpensAbout(dialog, value), qPrintable(QString::number(value, 16)));
        QVERIFY(!OpensAbout(dialog, 0x0020));
        QVERIFY(!OpensAbout(dialog, SC_CLOSE));
        QVERIFY(!dialog.isVisible());
    }

    // The diagnostics entries, then a separator that is drawn (a menu hides one it starts with),
    // then About.
    void contextMenuOffersDiagnosticsAndAbout() {
        CSensorDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QStringList entries;
        QTimer::singleShot(50, [&] {
            if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
                for (QAction* action : menu->actions())
                    if (!menu->actionGeometry(action).isEmpty())
                        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
                menu->close();
            }
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                dialog.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&dialog, &event);
        QStringList expected = {U("通讯记录(&T)..."), U("电流曲线(&G)..."), QStringLiteral("-"),
                                U("关于 Tessaly(&A)...")};
#ifdef TESSALY_WITHOUT_TREND  // a Windows build whose Qt has no Charts
        expected.removeAt(1);
#endif
        QCOMPARE(entries, expected);
    }

    void aboutBox() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), U("关于 Tessaly"));
        if (DialogBaseUnits(DialogFont(9)) == QSize(6, 12))
            QCOMPARE(about.size(), QSize(353, 83));
        QStringList texts;
        for (QWidget* widget : about.controls())
            texts << TextOf(widget);
        QCOMPARE(texts.size(), 4);
        QCOMPARE(texts[1], U("Tessaly 1.0 版"));
        QVERIFY(!texts[2].isEmpty());
        QCOMPARE(texts[3], U("确定"));
        const QPixmap icon = qobject_cast<QLabel*>(about.controls()[0])->pixmap();
        QCOMPARE(icon.size(), QSize(32, 32));
        QVERIFY(icon.toImage().pixelColor(16, 16).alpha() > 0);  // drawn, not an empty pixmap
        auto* ok = qobject_cast<QPushButton*>(about.controls()[3]);
        QVERIFY(ok->isDefault());
        about.show();
        ok->click();
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
