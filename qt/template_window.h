// A real window for any dialog template: one Qt widget per visible control
// at its template position, mirrored from the control table on every change,
// and the operator's clicks and typing fed back into the dialog.
#pragma once

#include <QWidget>

#include <functional>
#include <unordered_map>

#include "platform/dialog/control_table.h"
#include "platform/dialog/dialog.h"
#include "qt/dialog_units.h"

class QLabel;

namespace kelm9d {

class TemplateWindow : public QWidget, private ControlObserver {
  public:
    // Runs an operator action as a handler: the host marks itself busy, so
    // that input is held off while the handler waits. An action that comes
    // while another runs is dropped, or kept for afterwards when `defer`.
    using HandlerRunner = std::function<void(const std::function<void()>& action, bool defer)>;

    TemplateWindow(Dialog& dialog, HandlerRunner runHandler);
    ~TemplateWindow() override;

    // Copies every control's state into its widget.
    void SyncAll();

    // The widget of a control id, or nullptr (hidden controls have none).
    QWidget* WidgetFor(int id) const;
    const DialogBaseUnits& baseUnits() const { return units_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Enter in an edit or combo box is the dialog's OK, as on the original
    // platform; those widgets would otherwise keep the key to themselves.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void OnControlChanged(int id, ChangeKind what) override;
    void Build();
    QWidget* CreateWidget(const ControlTemplate& control);
    void Apply(int id);
    void UpdatePortToolTip(int id);
    void Cancel();

    Dialog& dialog_;
    HandlerRunner runHandler_;
    DialogBaseUnits units_;
    std::unordered_map<int, QWidget*> widgets_;
    std::unordered_map<int, ControlKind> kinds_;
};

// The id a widget stands for; kNoId for labels and frames without one.
inline constexpr const char* kControlIdProperty = "kelm9dControlId";

}  // namespace kelm9d
