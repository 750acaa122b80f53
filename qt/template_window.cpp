#include "qt/template_window.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include "platform/serial/port_names.h"

namespace kelm9d {
namespace {

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToUtf8(const QString& text) {
    return text.toUtf8().toStdString();
}

Qt::Alignment TextAlignment(const ControlTemplate& control) {
    if (control.Has(ControlStyle::kTextCenter))
        return Qt::AlignHCenter | Qt::AlignTop;
    if (control.Has(ControlStyle::kTextRight))
        return Qt::AlignRight | Qt::AlignTop;
    return Qt::AlignLeft | Qt::AlignTop;
}

}  // namespace

TemplateWindow::TemplateWindow(Dialog& dialog, HandlerRunner runHandler)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      dialog_(dialog),
      runHandler_(std::move(runHandler)) {
    const DialogTemplate& t = dialog_.Template();
    setFont(DialogFont(t));
    units_ = BaseUnitsOf(font());
    setWindowTitle(FromUtf8(t.title));
    setFixedSize(units_.ToPixelsX(t.width), units_.ToPixelsY(t.height));
    Build();
    dialog_.Controls().AddObserver(this);
}

TemplateWindow::~TemplateWindow() {
    dialog_.Controls().RemoveObserver(this);
}

QWidget* TemplateWindow::WidgetFor(int id) const {
    const auto it = widgets_.find(id);
    return it == widgets_.end() ? nullptr : it->second;
}

void TemplateWindow::Build() {
    const DialogTemplate& t = dialog_.Template();
    QString lastLabel;
    QList<QWidget*> frames;
    for (const ControlTemplate& control : t.controls) {
        if (!control.Has(ControlStyle::kVisible)) {
            continue;  // hidden controls keep their state in the table only
        }
        QWidget* widget = CreateWidget(control);
        widget->setProperty(kControlIdProperty, control.id);
        widget->setObjectName(control.id == kNoId ? QString()
                                                  : QStringLiteral("idc%1").arg(control.id));
        QRect geometry = units_.ToPixels(control.rect);
        if (IsComboKind(control.kind)) {
            // The template's height includes the dropped-down list; the box is one line.
            geometry.setHeight(widget->sizeHint().height());
        }
        widget->setGeometry(geometry);
        if (control.Has(ControlStyle::kDisabled)) {
            widget->setEnabled(false);
        }
        if (control.kind == ControlKind::kGroupBox) {
            frames.push_back(widget);
        }
        if (control.kind == ControlKind::kStaticText && control.Has(ControlStyle::kTextRight)) {
            lastLabel = FromUtf8(control.text);
        } else if (control.kind == ControlKind::kEdit || IsComboKind(control.kind)) {
            // A value box is named after the label just before it, for screen readers.
            if (!lastLabel.isEmpty()) {
                widget->setAccessibleName(lastLabel);
                lastLabel.clear();
            }
        }
        if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            if (combo->lineEdit() != nullptr)
                combo->lineEdit()->installEventFilter(this);
            combo->installEventFilter(this);
        } else if (qobject_cast<QLineEdit*>(widget) != nullptr) {
            widget->installEventFilter(this);
        }
        if (control.id != kNoId) {
            widgets_[control.id] = widget;
            kinds_[control.id] = control.kind;
        }
    }
    for (QWidget* frame : frames) {
        frame->lower();  // frames are drawn behind what they surround
    }
}

QWidget* TemplateWindow::CreateWidget(const ControlTemplate& control) {
    const int id = control.id;
    const QString text = FromUtf8(control.text);
    switch (control.kind) {
        case ControlKind::kPushButton:
        case ControlKind::kDefPushButton: {
            auto* button = new QPushButton(text, this);
            button->setAutoDefault(false);
            connect(button, &QPushButton::clicked, this,
                    [this, id] { runHandler_([this, id] { dialog_.Click(id); }, false); });
            return button;
        }
        case ControlKind::kCheckBox:
        case ControlKind::kRadioButton: {
            QAbstractButton* button = control.kind == ControlKind::kCheckBox
                                          ? static_cast<QAbstractButton*>(new QCheckBox(text, this))
                                          : new QRadioButton(text, this);
            // The control table decides the state and the group; the widget only shows it.
            button->setAutoExclusive(false);
            connect(button, &QAbstractButton::clicked, this,
                    [this, id] { runHandler_([this, id] { dialog_.Click(id); }, false); });
            return button;
        }
        case ControlKind::kEdit: {
            auto* edit = new QLineEdit(this);
            edit->setReadOnly(control.Has(ControlStyle::kReadOnly));  // select and copy, not type
            edit->setFrame(control.Has(ControlStyle::kBorder));
            connect(edit, &QLineEdit::textEdited, this,
                    [this, id](const QString& typed) { dialog_.TypeText(id, ToUtf8(typed)); });
            return edit;
        }
        case ControlKind::kStaticText: {
            auto* label = new QLabel(text, this);
            label->setAlignment(TextAlignment(control));
            if (id != kNoId && control.Has(ControlStyle::kTextCenter)) {
                // A status line: screen readers read its text as the description.
                label->setAccessibleName(QStringLiteral("Status"));
                label->setAccessibleDescription(text);
            }
            return label;
        }
        case ControlKind::kGroupBox:
            return new QGroupBox(text, this);
        case ControlKind::kComboDropDown:
        case ControlKind::kComboDropList: {
            auto* combo = new QComboBox(this);
            combo->setEditable(control.kind == ControlKind::kComboDropDown);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->setMaxVisibleItems(8);
            connect(combo, QOverload<int>::of(&QComboBox::activated), this,
                    [this, id](int index) { dialog_.ChooseItem(id, index); });
            if (combo->isEditable()) {
                connect(combo, &QComboBox::editTextChanged, this, [this, id](const QString& typed) {
                    if (FromUtf8(dialog_.GetText(id)) != typed) {
                        dialog_.TypeText(id, ToUtf8(typed));
                    }
                });
            }
            return combo;
        }
    }
    return new QWidget(this);
}

void TemplateWindow::SyncAll() {
    for (const auto& entry : widgets_) {
        Apply(entry.first);
    }
}

void TemplateWindow::OnControlChanged(int id, ChangeKind /*what*/) {
    Apply(id);
}

void TemplateWindow::Apply(int id) {
    QWidget* widget = WidgetFor(id);
    const ControlState* state = dialog_.Controls().Find(id);
    if (widget == nullptr || state == nullptr) {
        return;
    }
    const QSignalBlocker block(widget);
    widget->setEnabled(state->enabled);
    const QString text = FromUtf8(state->text);
    switch (kinds_[id]) {
        case ControlKind::kPushButton:
        case ControlKind::kDefPushButton:
            static_cast<QPushButton*>(widget)->setText(text);
            break;
        case ControlKind::kCheckBox:
        case ControlKind::kRadioButton: {
            auto* button = static_cast<QAbstractButton*>(widget);
            button->setText(text);
            button->setChecked(state->check != 0);
            break;
        }
        case ControlKind::kEdit: {
            auto* edit = static_cast<QLineEdit*>(widget);
            if (edit->text() != text) {
                edit->setText(text);
                edit->setCursorPosition(0);
            }
            break;
        }
        case ControlKind::kStaticText: {
            auto* label = static_cast<QLabel*>(widget);
            label->setText(text);
            if (!label->accessibleDescription().isNull() || label->alignment() & Qt::AlignHCenter) {
                label->setAccessibleDescription(text);
            }
            break;
        }
        case ControlKind::kGroupBox:
            static_cast<QGroupBox*>(widget)->setTitle(text);
            break;
        case ControlKind::kComboDropDown:
        case ControlKind::kComboDropList: {
            auto* combo = static_cast<QComboBox*>(widget);
            QStringList items;
            for (const std::string& item : state->items) {
                items.push_back(FromUtf8(item));
            }
            QStringList shown;
            for (int i = 0; i < combo->count(); ++i) {
                shown.push_back(combo->itemText(i));
            }
            if (shown != items) {
                combo->clear();
                combo->addItems(items);
            }
            combo->setCurrentIndex(state->selection);
            if (combo->isEditable() && combo->currentText() != text) {
                combo->setEditText(text);
            }
            UpdatePortToolTip(id);
            break;
        }
    }
}

void TemplateWindow::UpdatePortToolTip(int id) {
    // Which device a port name stands for is worth a glance before Start.
    QWidget* widget = WidgetFor(id);
    if (widget == nullptr || !static_cast<QComboBox*>(widget)->isEditable() ||
        !widget->isEnabled()) {
        return;
    }
    const std::string name = dialog_.GetText(id);
    if (name.empty()) {
        widget->setToolTip(QString());
        return;
    }
    const std::optional<std::string> device = ResolvePortName(name);
    widget->setToolTip(device ? FromUtf8(*device) : QStringLiteral("no such port"));
}

void TemplateWindow::Cancel() {
    // A close request while a handler waits is kept and carried out after it.
    runHandler_([this] { dialog_.Dispatch(kBnClicked, kIdCancel); }, true);
}

void TemplateWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            Cancel();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
                button->click();  // Enter on a push button presses it
            } else {
                runHandler_([this] { dialog_.Dispatch(kBnClicked, kIdOk); }, false);
            }
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

bool TemplateWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) {
        return false;
    }
    for (QObject* o = watched; o != nullptr && o != this; o = o->parent()) {
        if (auto* combo = qobject_cast<QComboBox*>(o);
            combo != nullptr && combo->view()->isVisible()) {
            return false;  // Enter in an open list picks the entry
        }
    }
    runHandler_([this] { dialog_.Dispatch(kBnClicked, kIdOk); }, false);
    return true;
}

void TemplateWindow::closeEvent(QCloseEvent* event) {
    // The window ends only through the dialog, which releases the port first.
    event->ignore();
    if (!dialog_.IsEnded()) {
        Cancel();
    }
}

}  // namespace kelm9d
