// SPDX-License-Identifier: GPL-3.0-or-later
// The main window and the About box: layout, initial state, locking groups, keys, system
// commands. Positions come from the window's published template (dialog units converted with
// Win32's rounding by hand), not from the code under test.
#include <QCheckBox>
#include <QMenu>
#include <QWindow>

#include "about_dlg.h"
#include "dialog_builder.h"
#include "message_box.h"
#include "support/window_support.h"

namespace {

bool HasSongBaseUnits() {
    return DialogBaseUnits(DialogFont(9)) == QSize(6, 12);
}

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

    // Win32's MulDiv rounds half up: with 6 x 12 base units one unit is 1.5 px across and down.
    void dialogUnitsRoundAsWin32Does() {
        QCOMPARE(DluToPixels({1, 1, 1, 1}, {6, 12}), QRect(2, 2, 1, 1));
        QCOMPARE(DluToPixels({3, 5, 4, 3}, {6, 12}), QRect(5, 8, 6, 4));
        QCOMPARE(DluToPixels({0, 0, 2, 2}, {7, 13}), QRect(0, 0, 4, 3));
    }

    // The fixed size and caption of the window as mapped (also on a real X server, where
    // test_window_x11 runs this alone), every control inside the window and none on another (group
    // boxes frame them and let the mouse through), and a few controls where the template puts
    // them, lists closed.
    void layoutFollowsTheTemplate() {
        if (!HasSongBaseUnits())
            QSKIP("the Song face (fonts-arphic-uming) is missing: base units are not 6 x 12");
        CSensorDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QWindow* window = dialog.windowHandle();
        QCOMPARE(window->size(), QSize(581, 237));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->flags() & Qt::WindowMinMaxButtonsHint));
        QCOMPARE(window->title(), U("KORVAN霍尔直流电流传感器(发行版)"));
        QCOMPARE(dialog.controls().size(), size_t(46));
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
        QCOMPARE(dialog.controls()[6]->geometry(), QRect(11, 3, 559, 44));  // the first group
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
#ifdef _WIN32  // the device, then what Windows calls it
        QVERIFY2(tip.startsWith(U("\\\\.\\COM1")), qPrintable(tip));
#else
        QCOMPARE(tip, U("/nonexistent/tessaly-com1"));
#endif
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QCOMPARE(QApplication::focusWidget(), dialog.GetDlgItem(IDC_PORT));
    }

    // Enter closes the window from a box, a check box or a closed list; on a focused push button
    // it clicks the button instead. Esc closes. Arrow keys on a button or a check box stay within
    // its group; edit boxes keep theirs.
    void keysFollowTheDialogRules() {
        const struct {
            int focus;
            Qt::Key key;
            int result;  // a dialog result, or the control that has the focus after
        } rows[] = {
            {IDC_ADDRESS, Qt::Key_Return, QDialog::Accepted},
            {IDC_SCAN_1200, Qt::Key_Return, QDialog::Accepted},
            {IDC_BAUD, Qt::Key_Enter, QDialog::Accepted},  // a closed list
            {IDC_PORT, Qt::Key_Escape, QDialog::Rejected},
            {IDC_SEARCH, Qt::Key_Return, IDC_SEARCH},  // clicks it: the range is refused
            {IDC_SEARCH, Qt::Key_Down, IDC_ADDRESS},   // wraps to the address box
            {IDC_SCAN_1200, Qt::Key_Right, IDC_SCAN_2400},
            {IDC_ACQUIRE, Qt::Key_Down, IDC_ACQUIRE},  // alone in its group
            {IDC_SET_TURNS, Qt::Key_Up, IDC_CURRENT}   // wraps over the current box
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

    // Every box the operators know carries the exclamation icon, the program's name and one OK
    // button.
    void messageBoxesCarryTheWarningIcon() {
        QStringList seen;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen << QString::number(box->icon()) << box->windowTitle()
                     << box->buttons().value(0)->text();
                box->accept();
            }
        });
        AfxMessageBox(U("调零成功!!!"));
        QCOMPARE(seen, QStringList({QString::number(QMessageBox::Warning),
                                    QCoreApplication::applicationName(), U("确定")}));
    }

    // The system commands, and the context menu: the diagnostics entries, a separator that is
    // drawn (a menu hides one it starts with), then About.
    void systemCommandsAndContextMenu() {
        CSensorDlg dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QStringList entries;
        WithContextMenu(dialog, [&](QMenu& menu) {
            for (QAction* action : menu.actions())
                if (!menu.actionGeometry(action).isEmpty())
                    entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        });
        QStringList expected = {U("通讯记录(&T)..."), U("电流曲线(&G)..."), QStringLiteral("-"),
                                U("关于 Tessaly(&A)...")};
#ifdef TESSALY_WITHOUT_TREND  // a Windows build whose Qt has no Charts
        expected.removeAt(1);
#endif
        QCOMPARE(entries, expected);
        for (unsigned value = 0x0010; value <= 0x001F; ++value)
            QVERIFY2(OpensAbout(dialog, value), qPrintable(QString::number(value, 16)));
        QVERIFY(!OpensAbout(dialog, 0x0020));
        QVERIFY(!OpensAbout(dialog, SC_CLOSE));
        QVERIFY(!dialog.isVisible());
    }

    // Its caption, size, version, a drawn icon, and OK as its default button.
    void aboutBox() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), U("关于 Tessaly"));
        if (HasSongBaseUnits())
            QCOMPARE(about.size(), QSize(353, 83));
        QCOMPARE(TextOf(about.controls()[1]), U("Tessaly 1.0 版"));
        const QImage icon = qobject_cast<QLabel*>(about.controls()[0])->pixmap().toImage();
        QVERIFY(icon.size() == QSize(32, 32) && icon.pixelColor(16, 16).alpha() > 0);
        about.show();
        QTest::keyClick(&about, Qt::Key_Return);
        QVERIFY(!about.isVisible());
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
