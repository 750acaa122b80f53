// The real window under the offscreen platform: its geometry follows the
// template, the visible controls are there and the hidden ones are not, and
// Start, a click during a wait and Escape behave as an operator expects.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/orvane_app.h"
#include "qt/qt_dialog_host.h"
#include "qt/template_window.h"
#include "sim/simulated_detector.h"
#include "ui/control_ids.h"
#include "ui/main_dialog_template.h"

namespace kelm9d {
namespace {

using namespace std::chrono_literals;

// A simulated detector reachable as com1 through a port folder of its own.
class SimAsCom1 {
  public:
    explicit SimAsCom1(sim::SimBehaviour behaviour = {}) {
        folder_ = std::filesystem::temp_directory_path() /
                  ("kelm9d-qt-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
        ::setenv("KELM9D_PORT_DIR", folder_.c_str(), 1);
        sim::SimOptions options;
        behaviour.pacing = false;
        options.behaviour = behaviour;
        options.linkPath = (folder_ / "com1").string();
        sim_ = std::make_unique<sim::SimulatedDetector>(options);
        started_ = !sim_->Start().Failed();
    }
    ~SimAsCom1() {
        sim_.reset();
        std::filesystem::remove_all(folder_);
        ::unsetenv("KELM9D_PORT_DIR");
    }
    bool started() const { return started_; }
    sim::SimulatedDetector& detector() { return *sim_; }

  private:
    std::filesystem::path folder_;
    std::unique_ptr<sim::SimulatedDetector> sim_;
    bool started_ = false;
};

template <typename W>
W* Find(TemplateWindow& window, int id) {
    return qobject_cast<W*>(window.WidgetFor(id));
}

// Runs the application in the Qt host; `drive` acts as the operator once the
// window is up and must end it. Returns 0 when the port was released.
int RunWindow(COrvaneApp& app, const std::function<void(TemplateWindow&, QtDialogHost&)>& drive) {
    QtDialogHost host;
    host.SetOnShown([&](TemplateWindow& window) { drive(window, host); });
    app.InitApplication(host);
    return app.m_pDetectorPort ? -2 : 0;  // the window must have released the port
}

TEST(MainWindow, AFontIsThere) {
    // Without any font Qt draws empty boxes and says nothing.
    EXPECT_FALSE(QFontDatabase::families().isEmpty());
    const QFontInfo info(QApplication::font());
    EXPECT_FALSE(info.family().isEmpty());
}

TEST(MainWindow, ControlsFollowTheTemplate) {
    COrvaneApp app;
    RunWindow(app, [](TemplateWindow& window, QtDialogHost&) {
        const DialogTemplate& t = MainDialogTemplate();
        const DialogBaseUnits& u = window.baseUnits();
        EXPECT_EQ(window.size(), QSize(u.ToPixelsX(t.width), u.ToPixelsY(t.height)));
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Kelm9dMaster"));
        EXPECT_FALSE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
        EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
        EXPECT_FALSE(window.windowIcon().isNull());

        int visible = 0;
        for (const ControlTemplate& c : t.controls) {
            if (!c.Has(ControlStyle::kVisible)) {
                if (c.id != kNoId) {
                    EXPECT_EQ(window.WidgetFor(c.id), nullptr) << "hidden control " << c.id;
                }
                continue;
            }
            ++visible;
            if (c.id == kNoId)
                continue;
            QWidget* w = window.WidgetFor(c.id);
            ASSERT_NE(w, nullptr) << "visible control " << c.id;
            EXPECT_EQ(w->pos(), u.ToPixels(c.rect).topLeft()) << c.id;
            if (auto* b = qobject_cast<QPushButton*>(w)) {
                EXPECT_EQ(b->text().toStdString(), c.text);
            }
            if (auto* l = qobject_cast<QLabel*>(w)) {
                EXPECT_EQ(l->text().toStdString(), c.text);
            }
        }
        int widgets = 0;
        for (QObject* child : window.children()) {
            if (child->isWidgetType() && child->property(kControlIdProperty).isValid())
                ++widgets;
        }
        EXPECT_EQ(widgets, visible);

        // Value boxes carry their label's name; the units render as text.
        EXPECT_EQ(Find<QLineEdit>(window, idc::kTimeSpan)->accessibleName(),
                  QStringLiteral("Time Span:"));
        EXPECT_TRUE(Find<QLineEdit>(window, idc::kTimeSpan)->isReadOnly());
        EXPECT_FALSE(Find<QComboBox>(window, idc::kTrigger)->isEnabled());
        EXPECT_FALSE(Find<QPushButton>(window, idc::kStop)->isEnabled());
        QTest::keyClick(&window, Qt::Key_Escape);
    });
}

TEST(MainWindow, StartShowsTheFactoryProfileAndEscapeReleasesThePort) {
    SimAsCom1 sim;
    ASSERT_TRUE(sim.started());
    COrvaneApp app;
    bool sawPort = false;
    const int released = RunWindow(app, [&](TemplateWindow& window, QtDialogHost&) {
        EXPECT_EQ(Find<QComboBox>(window, idc::kComPort)->currentText(), QStringLiteral("com1"));
        Find<QPushButton>(window, idc::kStart)->click();  // runs the whole Start handler
        sawPort = app.m_pDetectorPort != nullptr;
        EXPECT_FALSE(Find<QPushButton>(window, idc::kStart)->isEnabled());
        for (int id : {idc::kStop, idc::kWriteRom, idc::kWrite, idc::kRead}) {
            EXPECT_TRUE(Find<QPushButton>(window, id)->isEnabled()) << id;
        }
        EXPECT_EQ(Find<QLineEdit>(window, idc::kTimeSpan)->text(), QStringLiteral("1800"));
        EXPECT_EQ(Find<QLineEdit>(window, idc::kVt)->text(), QStringLiteral("1.68"));
        EXPECT_EQ(Find<QLineEdit>(window, idc::kExpWindow)->text(), QStringLiteral("28000"));
        EXPECT_EQ(Find<QComboBox>(window, idc::kTrigger)->currentText(), QStringLiteral("Inner"));
        EXPECT_EQ(Find<QLabel>(window, idc::kStatusLine)->text(),
                  QStringLiteral("Read parameters is successful."));
        EXPECT_EQ(Find<QLabel>(window, idc::kStatusLine)->accessibleDescription(),
                  QStringLiteral("Read parameters is successful."));

        // The picture of the connected window, for the README.
        window.grab().save(QStringLiteral("main-window-connected.png"));
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    EXPECT_TRUE(sawPort);
    EXPECT_EQ(released, 0) << "Escape must release the port before the window ends";
}

TEST(MainWindow, EnterOutsideAButtonEndsTheWindowAndReleasesThePort) {
    SimAsCom1 sim;
    ASSERT_TRUE(sim.started());
    COrvaneApp app;
    const int released = RunWindow(app, [&](TemplateWindow& window, QtDialogHost&) {
        auto* start = Find<QPushButton>(window, idc::kStart);
        start->setFocus();
        QTest::keyClick(start, Qt::Key_Return);  // Enter on a push button presses it
        ASSERT_NE(app.m_pDetectorPort, nullptr);
        auto* port = Find<QComboBox>(window, idc::kComPort);
        port->setFocus();
        QTest::keyClick(port->lineEdit(), Qt::Key_Return);  // the standard OK
        if (!app.m_pDetectorPort)
            return;
        ADD_FAILURE() << "Enter in the port box did not end the window";
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    EXPECT_EQ(released, 0);
}

TEST(MainWindow, AClickDuringAWaitRunsNoSecondHandler) {
    sim::SimBehaviour silent;
    silent.silent = true;  // Start waits the whole time for an answer that never comes
    SimAsCom1 sim(silent);
    ASSERT_TRUE(sim.started());
    COrvaneApp app;
    RunWindow(app, [&](TemplateWindow& window, QtDialogHost& host) {
        auto* start = Find<QPushButton>(window, idc::kStart);
        bool clickedWhileBusy = false;
        QTimer::singleShot(100, &window, [&] {
            clickedWhileBusy = host.busy();
            QTest::mouseClick(start, Qt::LeftButton);  // a second Start inside the first
            QTest::keyClick(&window, Qt::Key_Escape);  // nor may Escape end it midway
        });
        start->click();
        EXPECT_TRUE(clickedWhileBusy);
        EXPECT_EQ(Find<QLabel>(window, idc::kStatusLine)->text(),
                  QStringLiteral("Read parameters failed."));
        EXPECT_TRUE(sim.detector().WaitFor(
            [](const sim::SimCounters& c) { return c.framesReceived >= 1; }, 2s));
        EXPECT_EQ(sim.detector().Counters().framesReceived, 1U) << "one read command, one Start";
        EXPECT_TRUE(app.m_pDetectorPort != nullptr);
        QTest::keyClick(&window, Qt::Key_Escape);
    });
    EXPECT_EQ(app.m_pDetectorPort, nullptr);
}

}  // namespace
}  // namespace kelm9d

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
