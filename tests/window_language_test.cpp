// SPDX-License-Identifier: GPL-3.0-or-later
// The windows in English beside the Chinese original: the language follows the user's, texts fit
// their controls, input and value controls have accessible names, none in Chinese in English.
#include <QAccessible>
#include <QCheckBox>
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
    const QStyle* style = widget->style();
    if (auto* button = qobject_cast<QPushButton*>(widget)) {
        option.features =
            button->isDefault() ? QStyleOptionButton::DefaultButton : QStyleOptionButton::None;
        // less the margin that Qt's own size for a button keeps around its text
        return style->subElementRect(QStyle::SE_PushButtonContents, &option, widget).size() -
               QSize(style->pixelMetric(QStyle::PM_ButtonMargin, &option, widget), 0);
    }
    if (qobject_cast<QCheckBox*>(widget))
        return style->subElementRect(QStyle::SE_CheckBoxContents, &option, widget).size();
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
    void languageFollowsTheUser() {
        QStringList chosen;
        for (const QStringList& languages :
             {QStringList{U("C")}, {U("zh-CN"), U("en")}, {U("de-DE"), U("en-GB")}, {U("fr-FR")}}) {
            QTranslator translator;
            chosen << (LoadTranslation(translator, languages) ? U("en") : U("zh"));
        }
        QCOMPARE(chosen.join(u' '), U("zh zh en zh"));
    }

    // Qt's own dialogs (saving a log: the file dialog and its buttons) speak the window's
    // language: Chinese in the Chinese window, English in the English one.
    void qtsOwnDialogsSpeakTheWindowsLanguage() {
        for (const bool english : {false, true}) {
            const Language language(english);
            QTranslator qt;
            if (LoadQtTranslation(qt, language.translator))
                QCoreApplication::installTranslator(&qt);
            QFileDialog dialog;
            dialog.setOption(QFileDialog::DontUseNativeDialog);
            dialog.setAcceptMode(QFileDialog::AcceptSave);
            QStringList buttons;
            for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
                buttons << button->text();
            QCoreApplication::removeTranslator(&qt);
            QVERIFY2(HasChinese(buttons.join(u' ')) != english, qPrintable(buttons.join(u' ')));
        }
    }

    // Each text in its control's rectangle, those the program sets at run time included, in both
    // languages; in English none is left in Chinese.
    void textsFitTheirControls() {
        if (DialogBaseUnits(DialogFont(9)) != QSize(6, 12))
            QSKIP("the Song face (fonts-arphic-uming) is missing: base units are not 6 x 12");
        QStringList misfits;
        for (bool english : {false, true}) {
            Language language(english);
            CSensorDlg sensor;
            CAboutDlg about;
            QList<std::pair<QWidget*, QString>> texts;
            for (const auto* controls : {&sensor.controls(), &about.controls()})
                for (QWidget* control : *controls)
                    texts.append({control, TextOf(control)});
            QWidget* result = sensor.GetDlgItem(IDC_SEARCH_RESULT);
            texts.append({{sensor.GetDlgItem(IDC_SEARCH), ResText(kStopCaption)},
                          {sensor.GetDlgItem(IDC_ACQUIRE), ResText(kStopCaption)},
                          {result, ResText(kSearching).arg(U("19200"), U("255"))},
                          {result, ResText(kFoundResult).arg(U("19200"), U("255"))},
                          {result, ResText(kSearchFailedResult)},
                          {result, ResText(kSearchStopped)}});
            for (const auto& [control, text] : texts) {
                const QSize size = control->fontMetrics().size(Qt::TextShowMnemonic, text);
                if (size.boundedTo(TextRoom(control)) != size || (english && HasChinese(text)))
                    misfits << text;
            }
        }
        QCOMPARE(misfits, QStringList());
    }

    // The main window's names are its labels, in either language. In English (the Chinese
    // original names the same controls) every control of the main window, the About box, the
    // traffic log and the current graph is named; the log's table and the graph are described too.
    void everyControlIsNamed() {
        QStringList names;
        for (bool english : {false, true}) {
            Language language(english);
            CSensorDlg sensor;
            for (int id : {IDC_ADDRESS, IDC_OK_COUNT, IDC_FAIL_COUNT, IDC_CURRENT})
                names << QAccessible::queryAccessibleInterface(sensor.GetDlgItem(id))
                             ->text(QAccessible::Name);
        }
        QCOMPARE(names.join(u','), U("地址,成功,失败,电流值,Address,OK,Failed,Current"));
        Language english(true);
        CSensorDlg sensor;
        CAboutDlg about;
        CTrafficLogDlg log(sensor.trafficLog(), &sensor);
        CCurrentTrendDlg trend(&sensor);
        QList<QAccessibleInterface*> found;
        for (QWidget* window : std::initializer_list<QWidget*>{&sensor, &about, &log, &trend}) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            Walk(QAccessible::queryAccessibleInterface(window), found);
        }
        QStringList faults;
        int described = 0;
        for (QAccessibleInterface* item : found) {
            const QString name = item->text(QAccessible::Name);
            const auto* widget = qobject_cast<QWidget*>(item->object());
            // A widget with a focus proxy (a view's viewport) hands the focus to the named proxy.
            bool fault =
                item->state().focusable && !(widget && widget->focusProxy()) && name.isEmpty();
            if (item->role() == QAccessible::Table || (widget && widget->inherits("QCustomPlot"))) {
                fault |= name.isEmpty() || item->text(QAccessible::Description).isEmpty();
                ++described;
            }
            if (fault || HasChinese(name))
                faults << name + U(" / ") +
                              QString::fromLatin1(widget ? widget->metaObject()->className() : "");
        }
        QCOMPARE(faults, QStringList());
        QCOMPARE(described, 2);
    }
};

QTEST_MAIN(LanguageTest)
#include "window_language_test.moc"
