// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialog_builder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>

#include "res_text.h"

namespace {

// Win32's MulDiv for non-negative values: rounds half up.
int MulDiv(int value, int numerator, int denominator) {
    return (2 * value * numerator + denominator) / (2 * denominator);
}

// A caption-less group box. Win32 draws its frame from half a text line below the top of the
// control, where the caption would sit; QGroupBox without a title would start at the very top.
// It also follows the controls it frames in the template, so it would sit on top of them: like a
// Win32 group box it lets the mouse through and stays beneath its siblings.
class GroupFrame : public QWidget {
public:
    explicit GroupFrame(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        lower();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QStyleOptionFrame option;
        option.initFrom(this);
        option.rect = rect().adjusted(0, fontMetrics().height() / 2, 0, 0);
        option.lineWidth = 1;
        option.features = QStyleOptionFrame::None;
        style()->drawPrimitive(QStyle::PE_FrameGroupBox, &option, &painter, this);
    }
};

QWidget* CreateControl(const ControlTemplate& control, QWidget* parent, QSize base,
                       const QIcon& icon) {
    const QString text = ResText(control.text);
    QRect rect = DluToPixels(control.rect, base);
    QWidget* widget = nullptr;
    switch (control.kind) {
        case ControlKind::Label:
        case ControlKind::CentredText: {
            auto* label = new QLabel(text, parent);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(
                Qt::AlignTop |
                (control.kind == ControlKind::CentredText ? Qt::AlignHCenter : Qt::AlignLeft));
            widget = label;
            break;
        }
        case ControlKind::Icon: {
            auto* label = new QLabel(parent);
            label->setPixmap(icon.pixmap(32, 32));
            rect.setSize(QSize(32, 32));  // a static icon takes the size of its icon
            widget = label;
            break;
        }
        case ControlKind::DropDownList: {
            auto* list = new QComboBox(parent);
            for (const std::string& item : ComboItems(control.id))
                list->addItem(QString::fromStdString(item));
            const int closed = ClosedComboHeight(base);
            list->setMaxVisibleItems(qMax(1, (rect.height() - closed) / base.height()));
            rect.setHeight(closed);
            widget = list;
            break;
        }
        case ControlKind::EditBox: {
            auto* edit = new QLineEdit(parent);
            edit->setAlignment((control.styles & style::EditCenter) ? Qt::AlignCenter
                                                                    : Qt::AlignLeft);
            widget = edit;
            break;
        }
        case ControlKind::CheckBox: widget = new QCheckBox(text, parent); break;
        case ControlKind::PushButton: {
            auto* button = new QPushButton(text, parent);
            // Qt makes dialog buttons auto-default; Win32 dialogs here have a default button only
            // where the template says so.
            button->setAutoDefault(false);
            button->setDefault(control.styles & style::ButtonDefPush);
            widget = button;
            break;
        }
        case ControlKind::GroupBox: widget = new GroupFrame(parent); break;
    }
    widget->setGeometry(rect);
    if (const char* name = AccessibleName(control.id); *name)
        widget->setAccessibleName(ResText(name));
    widget->setEnabled(!(control.styles & style::Disabled));
    if (!(control.styles & style::TabStop))
        widget->setFocusPolicy(Qt::NoFocus);
    return widget;
}

}  // namespace

QFont DialogFont(int points) {
    QFont font;
    font.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("NSimSun"),
                      QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("WenQuanYi Zen Hei")});
    font.setPointSize(points);
    return font;
}

QSize DialogBaseUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(width + 26) / 52, metrics.height()};
}

QRect DluToPixels(const DluRect& rect, QSize base) {
    const int left = MulDiv(rect.x, base.width(), 4);
    const int top = MulDiv(rect.y, base.height(), 8);
    const int right = MulDiv(rect.x + rect.w, base.width(), 4);
    const int bottom = MulDiv(rect.y + rect.h, base.height(), 8);
    return {left, top, right - left, bottom - top};
}

int ClosedComboHeight(QSize base) {
    return base.height() + 8;
}

std::vector<QWidget*> BuildControls(const DialogTemplate& dialog, QWidget* parent,
                                    const QIcon& icon) {
    const QFont font = DialogFont(dialog.fontPoints);
    parent->setFont(font);
    const QSize base = DialogBaseUnits(font);
    parent->setFixedSize(DluToPixels(dialog.rect, base).size());
    parent->setWindowTitle(ResText(dialog.caption));
    std::vector<QWidget*> widgets;
    for (const ControlTemplate& control : dialog.controls)
        widgets.push_back(CreateControl(control, parent, base, icon));
    return widgets;
}
