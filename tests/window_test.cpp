// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: layout, initial state, keys. Positions come from the window's published
// template (dialog units converted with Win32's rounding by hand), not from the code under test.
#include <QCheckBox>
#include <QGuiApplication>
#include <QWindow>

#include "about_dlg.h"
#include "dialog_builder.h"
#include "support/window_support.h"
#ifdef _WIN32
#include <windows.h>
#endif

class WindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    // The fixed size and caption as mapped (test_window_x11 runs this alone on a real X server),
    // every control inside the window and none on another (group boxes frame them and let the
    // mouse through), a few controls where the template puts them, lists closed.
    void layoutFollowsTheTemplate() {
        if (DialogBaseUnits(DialogFont(9)) != QSize(6, 12))
            QSKIP("the Song face (fonts-arphic-uming) is missing: base units are not 6 x 12");
        CSensorDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QWindow* window = dialog.windowHandle();
        QCOMPARE(window->size(), QSize(581, 237));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->flags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(window->title(), U("KORVAN霍尔直流电流传感器(发行版)"));
        QList<QWidget*> placed;
        for (QWidget* widget : dialog.controls()) {
            QVERIFY(dialog.rect().contains(widget->geometry()));
            if (widget->focusPolicy() & Qt::ClickFocus) {  // and the mouse reaches it
                QWidget* hit = dialog.childAt(widget->geometry().center());
                QVERIFY2(hit == widget || widget->isAncestorOf(hit), qPrintable(TextOf(widget)));
            }
            if (widget->testAttribute(Qt::WA_TransparentForMouseEvents))
                continue;  // a group box
            for (QWidget* other : placed)
                QVERIFY2(!other->geometry().intersects(widget->geometry()),
                         qPrintable(TextOf(other) + U(" / ") + TextOf(widget)));
            placed << widget;
        }
        const std::pair<int, QRect> known[] = {{IDC_PORT, {89, 18, 72, 20}},
                                               {IDC_ADDRESS, {488, 18, 70, 21}},
                                               {IDC_TURNS, {425, 114, 40, 23}},
                                               {IDC_CALIBRATE, {297, 192, 75, 21}}};
        for (const auto& [id, pixels] : known)
            QCOMPARE(dialog.GetDlgItem(id)->geometry(), pixels);
    }

    // The defaults the operators know, calibrate disabled until an acquisition has run, COMn's
    // device as its tooltip, the focus on the port list.
    void initialState() {
        CSensorDlg dialog;
        QStringList texts;
        for (int id : {IDC_PORT, IDC_BAUD, IDC_NEW_BAUD, IDC_ADDRESS, IDC_SCAN_FROM, IDC_SCAN_TO,
                       IDC_NEW_ADDRESS, IDC_TURNS, IDC_PERIOD, IDC_OK_COUNT, IDC_CURRENT})
            texts << TextOf(dialog, id);
        QCOMPARE(texts.join(u' '), U("COM1 9600 1200 0 0 255 255  500 0 "));
        for (QWidget* widget : dialog.controls())
            QCOMPARE(widget->isEnabled(), widget != dialog.GetDlgItem(IDC_CALIBRATE));
        QVERIFY(Item<QCheckBox>(dialog, IDC_SCAN_1200)->isChecked());
        const QString tip =
            Item<QComboBox>(dialog, IDC_PORT)->itemData(0, Qt::ToolTipRole).toString();
        QVERIFY2(tip.startsWith(U("\\\\.\\COM1")) || tip == U("/nonexistent/tessaly-com1"),
                 qPrintable(tip));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_PORT));
    }

    // Enter closes the window from a box or a closed list; on a focused push button it clicks the
    // button instead. Esc closes. Arrow keys on a button or a check box stay within its group.
    void keysFollowTheDialogRules() {
        const struct {
            int focus, result;  // result: a dialog result, or the control with the focus after
            Qt::Key key;
        } rows[] = {
            {IDC_ADDRESS, QDialog::Accepted, Qt::Key_Return},
            {IDC_BAUD, QDialog::Accepted, Qt::Key_Enter},  // a closed list
            {IDC_PORT, QDialog::Rejected, Qt::Key_Escape},
            {IDC_SEARCH, IDC_SEARCH, Qt::Key_Return},  // clicks it: the range is refused
            {IDC_SEARCH, IDC_ADDRESS, Qt::Key_Down},   // wraps to the address box
            {IDC_SCAN_1200, IDC_SCAN_2400, Qt::Key_Right},
            {IDC_SET_TURNS, IDC_CURRENT, Qt::Key_Up}  // wraps over the current box
        };
        for (const auto& row : rows) {
            RecordedMessages messages;
            CSensorDlg dialog;
            SetText(dialog, IDC_SCAN_FROM, "abc");  // no address (atoi would read 0)
            dialog.show();
            QVERIFY(QTest::qWaitForWindowActive(&dialog));
            dialog.GetDlgItem(row.focus)->setFocus();
            QTest::keyClick(dialog.GetDlgItem(row.focus), row.key);
            const QString where = QStringLiteral("%1, key %2").arg(row.focus).arg(row.key, 0, 16);
            if (row.result == QDialog::Accepted || row.result == QDialog::Rejected)
                QVERIFY2(!dialog.isVisible() && dialog.result() == row.result, qPrintable(where));
            else if (row.key == Qt::Key_Return)
                QCOMPARE(messages.texts, QStringList{U("请输入正确的地址范围0~255!!!")});
            else
                QVERIFY2(QApplication::focusWidget() == dialog.GetDlgItem(row.result),
                         qPrintable(where));
        }
    }

#ifdef _WIN32
    // The system menu ends with a separator and About; commands 0x0010 to 0x001F open the About
    // box, 0x0020 does not; the context menu keeps the tool windows only. Needs a real window:
    // -platform windows on a display.
    void systemMenuEndsWithAbout() {
        if (QGuiApplication::platformName() != QStringLiteral("windows"))
            QSKIP("the system menu needs the windows platform");
        CSensorDlg dialog;
        dialog.show();  // Wine's windows are not reported exposed: the handle is what counts
        const HWND window = reinterpret_cast<HWND>(dialog.winId());
        const HMENU menu = GetSystemMenu(window, FALSE);
        const int count = GetMenuItemCount(menu);
        QVERIFY(count >= 2);
        MENUITEMINFOW separator{};
        separator.cbSize = sizeof separator;
        separator.fMask = MIIM_FTYPE;
        QVERIFY(GetMenuItemInfoW(menu, count - 2, TRUE, &separator));
        QVERIFY(separator.fType & MFT_SEPARATOR);
        wchar_t text[64] = {};
        GetMenuStringW(menu, count - 1, text, 64, MF_BYPOSITION);
        QCOMPARE(QString::fromWCharArray(text), U("关于 Tessaly(&A)..."));
        QCOMPARE(GetMenuItemID(menu, count - 1), 0x0010u);  // IDM_ABOUTBOX
        for (const auto& [value, opens] : {std::pair{0x10u, true}, {0x1Fu, true}, {0x20u, false}}) {
            SendMessageW(window, WM_SYSCOMMAND, value, 0);
            bool open = false;
            for (QWidget* top : QApplication::topLevelWidgets())
                if (qobject_cast<CAboutDlg*>(top)) {
                    open |= top->isVisible();
                    top->close();
                }
            QCOMPARE(open, opens);
        }
        QStringList entries;
        WithContextMenu(dialog, [&](QMenu& shown) {
            for (const QAction* action : shown.actions())
                entries << action->text();
        });
        QVERIFY2(!entries.join(u' ').contains(U("关于")), qPrintable(entries.join(u' ')));
    }
#endif
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
