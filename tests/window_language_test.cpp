// SPDX-License-Identifier: GPL-3.0-or-later
// The windows in English beside the Chinese original: the language follows the user's UI
// languages; every text fits its control's rectangle in both; every control that takes input or
// shows a value has an accessible name, and no English window names anything in Chinese.
#include <QAccessible>
#include <QCheckBox>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QTranslator>

#include "about_dlg.h"
#include "current_trend_dlg.h"
#include "dialog_builder.h"
#include "language.h"
#include "support/window_support.h"
#include "texts.h"
#include "traffic_log_dlg.h"

namespace {

// The windows speak English for the life of the object, when asked to.
struct Language {
    QTranslator translator;
    explicit Language(bool english) {
        if (english && LoadTranslation(translator, {QStringLiteral("en")}))
            QCoreApplication::installTranslator(&translator);
    }
    ~Language() { QCoreApplication::removeTranslator(&translator); }
};

bool HasChinese(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.unicode() >= 0x3000 && c.unicode() < 0xA000; });
}

// The room a control gives its text, as the style lays the control out.
QSize TextRoom(QWidget* widget) {
    QStyleOptionButton option;
    option.initFrom(widget);
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        option.features =
            button->isDefault() ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
        // less the margin that Qt's own size for a button keeps around its text
        return widget->style()
                   ->subElementRect(QStyle::SE_PushButtonContents, &option, widget)
                   .size() -
               QSize(widget->style()->pixelMetric(QStyle::PM_ButtonMargin, &option, widget), 0);
    }
    if (qobject_cast<QCheckBox*>(widget))
        return widget->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, widget).size();
    return widget->contentsRect().size();
}

// Every interface beneath `parent` that is on screen.
void Walk(QAccessibleInterface* parent, QList<QAccessibleInterface*>& found) {
    for (int i = 0; i < parent->childCount(); ++i)
        if (QAccessibleInterface* child = parent->child(i); child && !child->state().invisible) {
            found << child;
            Walk(child, found);
        }
}

}  // namespace

class LanguageTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { IsolateComPorts(); }

    // The first UI language with a translation wins; Chinese, the original, needs none.
    void languageFollowsTheUser_data() {
        QTest::addColumn<QStringList>("languages");
        QTest::addColumn<bool>("english");
        QTest::newRow("C locale") << QStringList{QStringLiteral("C")} << false;
        QTest::newRow("en-US") << QStringList{QStringLiteral("en-US")} << true;
        QTest::newRow("zh-CN before en")
            << QStringList{QStringLiteral("zh-CN"), QStringLiteral("en")} << false;
        QTest::newRow("de-DE before en-GB")
            << QStringList{QStringLiteral("de-DE"), QStringLiteral("en-GB")} << true;
        QTest::newRow("fr-FR alone") << QStringList{QStringLiteral("fr-FR")} << false;
    }
    void languageFollowsTheUser() {
        QFETCH(QStringList, languages);
        QFETCH(bool, english);
        QTranslator translator;
        QCOMPARE(LoadTranslation(translator, languages), english);
    }

    // Each text at its control's rectangle, the texts the program sets at run time included.
    void textsFitTheirControls_data() {
        QTest::addColumn<bool>("english");
        QTest::addColumn<bool>("about");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("source");  // as the resources hold it, arguments filled in later
        QTest::addColumn<QStringList>("args");
        for (bool english : {false, true})
            for (bool about : {false, true}) {
                const DialogTemplate& dialog = about ? kAboutBox : kSensorDialog;
                for (int i = 0; i < int(dialog.controls.size()); ++i)
                    if (*dialog.controls[i].text && dialog.controls[i].kind != ControlKind::Icon)
                        QTest::addRow("%s %s", english ? "en" : "zh", dialog.controls[i].text)
                            << english << about << i << U(dialog.controls[i].text) << QStringList();
            }
        auto at = [](int id) {
            for (int i = 0; i < int(kSensorDialog.controls.size()); ++i)
                if (kSensorDialog.controls[i].id == id)
                    return i;
            return -1;
        };
        const std::tuple<int, const char*, QStringList> setAtRunTime[] = {
            {IDC_SEARCH, kStopCaption, {}},
            {IDC_ACQUIRE, kStopCaption, {}},
            {IDC_SEARCH_RESULT, kSearching, {U("19200"), U("255")}},
            {IDC_SEARCH_RESULT, kFoundResult, {U("19200"), U("255")}},
            {IDC_SEARCH_RESULT, kSearchFailedResult, {}},
            {IDC_SEARCH_RESULT, kSearchStopped, {}},
        };
        for (bool english : {false, true})
            for (const auto& [id, text, args] : setAtRunTime)
                QTest::addRow("%s %s", english ? "en" : "zh", text)
                    << english << false << at(id) << U(text) << args;
    }
    void textsFitTheirControls() {
        QFETCH(bool, english);
        QFETCH(bool, about);
        QFETCH(int, index);
        QFETCH(QString, source);
        QFETCH(QStringList, args);
        if (DialogBaseUnits(DialogFont(9)) != QSize(6, 12))
            QSKIP("the Song face (fonts-arphic-uming) is missing: base units are not 6 x 12");
        Language language(english);
        CSensorDlg sensor;
        CAboutDlg aboutBox;
        QWidget* control =
            about ? aboutBox.controls()[size_t(index)] : sensor.controls()[size_t(index)];
        QString text = ResText(source.toUtf8().constData());
        for (const QString& arg : args)
            text = text.arg(arg);
        QCOMPARE(HasChinese(text), !english && HasChinese(source));
        const QSize size = control->fontMetrics().size(Qt::TextShowMnemonic, text);
        const QSize room = TextRoom(control);
        QVERIFY2(size.width() <= room.width() && size.height() <= room.height(),
                 qPrintable(QStringLiteral("%1: %2 x %3 in %4 x %5")
                                .arg(text)
                                .arg(size.width())
                                .arg(size.height())
                                .arg(room.width())
                                .arg(room.height())));
    }

    void everyControlIsNamed_data() {
        QTest::addColumn<bool>("english");
        QTest::addColumn<int>("window");
        const char* windows[] = {"main window", "About box", "traffic log", "current graph"};
        for (bool english : {false, true})
            for (int window = 0; window < 4; ++window)
                QTest::addRow("%s %s", english ? "en" : "zh", windows[window]) << english << window;
    }
    void everyControlIsNamed() {
        QFETCH(bool, english);
        QFETCH(int, window);
        Language language(english);
        CSensorDlg sensor;
        std::unique_ptr<QDialog> other;
        if (window == 1)
            other = std::make_unique<CAboutDlg>();
        if (window == 2)
            other = std::make_unique<CTrafficLogDlg>(sensor.exchangeWatch(), &sensor);
        if (window == 3)
            other = std::make_unique<CCurrentTrendDlg>(&sensor);
        QDialog* shown = other ? other.get() : &sensor;
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));

        QList<QAccessibleInterface*> found;
        Walk(QAccessible::queryAccessibleInterface(shown), found);
        QVERIFY(!found.isEmpty());
        int described = 0;
        for (QAccessibleInterface* item : found) {
            const QString name = item->text(QAccessible::Name);
            const QString what =
                QStringLiteral("%1 (role %2, %3)")
                    .arg(name)
                    .arg(int(item->role()))
                    .arg(QString::fromLatin1(
                        item->object() ? item->object()->metaObject()->className() : ""));
            // A widget with a focus proxy (a view's viewport) hands the focus on: the proxy is
            // named.
            const auto* widget = qobject_cast<QWidget*>(item->object());
            if (item->state().focusable && !(widget && widget->focusProxy()))
                QVERIFY2(!name.isEmpty(), qPrintable(what));
            QVERIFY2(!english || !HasChinese(name), qPrintable(what));
            if (item->role() == QAccessible::Table ||
                (item->object() && item->object()->inherits("QChartView"))) {
                QVERIFY2(!name.isEmpty(), qPrintable(what));
                QVERIFY2(!item->text(QAccessible::Description).isEmpty(), qPrintable(what));
                ++described;
            }
        }
        QCOMPARE(described, window >= 2 ? 1 : 0);

        // The names the operators' labels give, in Chinese; the address box's in English.
        if (window != 0)
            return;
        auto name = [&](int id) {
            return QAccessible::queryAccessibleInterface(sensor.GetDlgItem(id))
                ->text(QAccessible::Name);
        };
        if (english) {
            QCOMPARE(name(IDC_ADDRESS), U("Address"));
            return;
        }
        const std::pair<int, const char*> names[] = {{IDC_ADDRESS, "地址"},
                                                     {IDC_OK_COUNT, "成功"},
                                                     {IDC_FAIL_COUNT, "失败"},
                                                     {IDC_CURRENT, "电流值"}};
        for (auto [id, expected] : names)
            QCOMPARE(name(id), U(expected));
    }
};

QTEST_MAIN(LanguageTest)
#include "window_language_test.moc"
