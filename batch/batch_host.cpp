#include "batch/batch_host.h"

#include <algorithm>
#include <ostream>
#include <string>

#include "batch/json_text.h"
#include "platform/dialog/blocking_host.h"
#include "ui/control_ids.h"

namespace kelm9d {
namespace {

bool EndsInFailure(const std::string& status) {
    const std::string suffix = "failed.";
    return status.size() >= suffix.size() &&
           status.compare(status.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// The visible rows of the parameter panel as "<label> <text> <unit>": a
// right-aligned label with an id, its box, and the unit text after it.
void PrintPanel(const Dialog& dialog, std::ostream& out) {
    const auto& controls = dialog.Template().controls;
    for (std::size_t i = 0; i + 1 < controls.size(); ++i) {
        const ControlTemplate& label = controls[i];
        if (label.kind != ControlKind::kStaticText || label.id == kNoId ||
            !label.Has(ControlStyle::kVisible) || !label.Has(ControlStyle::kTextRight)) {
            continue;
        }
        const ControlTemplate& box = controls[i + 1];
        std::string line = label.text + " " + dialog.GetText(box.id);
        if (i + 2 < controls.size()) {
            const ControlTemplate& unit = controls[i + 2];
            if (unit.id == kNoId && unit.kind == ControlKind::kStaticText) {
                line += " " + unit.text;
            }
        }
        out << line << '\n';
    }
}

std::string ControlsJson(const Dialog& dialog) {
    std::string json = "{";
    bool first = true;
    for (const ControlTemplate& control : dialog.Template().controls) {
        const ControlState* state = dialog.Controls().Find(control.id);
        if (control.id == kNoId || state == nullptr) {
            continue;
        }
        json += first ? "" : ", ";
        first = false;
        json += "\"" + std::to_string(control.id) + "\": {";
        if (control.kind == ControlKind::kCheckBox || control.kind == ControlKind::kRadioButton) {
            json += "\"checked\": " + std::to_string(state->check);
        } else {
            json += "\"text\": " + JsonString(state->text);
        }
        if (IsComboKind(control.kind)) {
            json += ", \"selected\": " + std::to_string(state->selection) + ", \"items\": [";
            for (std::size_t k = 0; k < state->items.size(); ++k) {
                json += (k == 0 ? "" : ", ") + JsonString(state->items[k]);
            }
            json += "]";
        }
        json += std::string(", \"enabled\": ") + (state->enabled ? "true" : "false");
        json += std::string(", \"visible\": ") + (state->visible ? "true" : "false") + "}";
    }
    return json + "}";
}

class BatchRun {
  public:
    BatchRun(const BatchOptions& options, std::ostream& out, std::ostream& err)
        : options_(options), out_(out), err_(err) {}

    void operator()(Dialog& dialog) {
        if (options_.port) {
            dialog.SetText(idc::kComPort, *options_.port);
        }
        if (options_.format) {
            SelectFormat(dialog, *options_.format);
        }
        for (const std::string& command : options_.commands) {
            if (!RunCommand(dialog, command) || dialog.IsEnded()) {
                break;
            }
        }
        if (!dialog.IsEnded()) {
            dialog.Click(idc::kExit);  // end as Exit does: the port is released first
        }
    }

    int status() const { return status_; }

  private:
    static void SelectFormat(Dialog& dialog, const std::string& format) {
        const ControlState* list = dialog.Controls().Find(idc::kPanelFormat);
        for (std::size_t i = 0; list != nullptr && i < list->items.size(); ++i) {
            if (list->items[i] == format) {
                dialog.SetSelection(idc::kPanelFormat, static_cast<int>(i));
                return;
            }
        }
        dialog.SetText(idc::kPanelFormat, format);
    }

    bool RunCommand(Dialog& dialog, const std::string& command) {
        const std::optional<int> button = ButtonForCommand(command);
        if (button) {
            if (!dialog.IsEnabled(*button)) {
                err_ << command << ": the button is disabled\n";
                status_ = kBatchUsage;
                return false;
            }
            dialog.Click(*button);
        }
        Report(dialog, command);
        return true;
    }

    void Report(Dialog& dialog, const std::string& command) {
        auto& host = static_cast<BlockingHost&>(*host_);
        const auto& boxes = host.MessageBoxes();
        const std::string status = dialog.GetText(idc::kStatusLine);
        if ((EndsInFailure(status) && command != "show") || boxes.size() > reported_) {
            status_ = std::max(status_, kBatchFailed);
        }
        if (options_.json) {
            std::string line = "{\"command\": " + JsonString(command) +
                               ", \"status\": " + JsonString(status) + ", \"messages\": [";
            for (std::size_t i = reported_; i < boxes.size(); ++i) {
                line += (i == reported_ ? "" : ", ") + JsonString(boxes[i].text);
            }
            line += "], \"controls\": " + ControlsJson(dialog) + "}";
            out_ << line << '\n';
        } else {
            if (command == "show") {
                PrintPanel(dialog, out_);
            }
            out_ << "status: " << status << '\n';
            for (std::size_t i = reported_; i < boxes.size(); ++i) {
                // One line per box: a box's own line breaks become blanks.
                std::string text = boxes[i].text;
                std::replace(text.begin(), text.end(), '\n', ' ');
                out_ << "message: " << text << '\n';
            }
        }
        out_.flush();
        reported_ = boxes.size();
    }

  public:
    DialogHost* host_ = nullptr;

  private:
    const BatchOptions& options_;
    std::ostream& out_;
    std::ostream& err_;
    std::size_t reported_ = 0;
    int status_ = kBatchOk;
};

}  // namespace

int RunBatch(const RunApplication& runApplication, const BatchOptions& options, std::ostream& out,
             std::ostream& err) {
    BatchRun run(options, out, err);
    BlockingHost host([&run](Dialog& dialog) { run(dialog); });
    run.host_ = &host;
    runApplication(host);
    return run.status();
}

int RunBatchCommandLine(const RunApplication& runApplication, const std::vector<std::string>& args,
                        std::ostream& out, std::ostream& err) {
    const BatchParse parse = ParseBatchCommandLine(args);
    if (!parse.options) {
        err << "kelm9dmaster: " << parse.error << "\n\n" << BatchUsage();
        return kBatchUsage;
    }
    return RunBatch(runApplication, *parse.options, out, err);
}

}  // namespace kelm9d
