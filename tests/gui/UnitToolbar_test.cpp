// The floating toolbar on the offscreen platform, driving a recording stand-in of the screen
// annotation.

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "BundleFixture.h"
#include "GeneralErrorReport.h"
#include "Panels.h"
#include "ScreenCursors.h"
#include "SkinPopupMenu.h"
#include "TestControls.h"
#include "TestUtil.h"
#include "ToolButton.h"
#include "ToolbarPictures.h"
#include "UnitPlay.h"
#include "UnitToolbar.h"

namespace kel::test {
namespace {

using TLog = std::vector<std::string>;

std::string PointText(QPoint point) {
    return std::to_string(point.x()) + "," + std::to_string(point.y());
}

// Records what the toolbar asks of the screen annotation, in one log with the player's slots.
class TRecordingOverlay : public TMarkOverlay {
  public:
    explicit TRecordingOverlay(TLog& log) : Log(log) {}

    void ShowOverlay() override { Log.push_back("Show"); }
    void HideOverlay() override { Log.push_back("Hide"); }
    void SetTool(TMarkTool tool) override {
        Log.push_back("Tool " + std::to_string(static_cast<int>(tool)));
    }
    void SetToolCursor(const QCursor& cursor) override {
        Log.push_back("Cursor " + PointText(cursor.hotSpot()));
    }
    void SetPenColor(const QColor& color) override {
        Log.push_back("Color " + color.name().toStdString());
    }
    void SetPenWidth(int width) override { Log.push_back("Width " + std::to_string(width)); }
    void ClearMarks() override { Log.push_back("Clear"); }
    bool MarksVisible() const override { return Visible; }
    void SetMarksVisible(bool visible) override {
        Log.push_back(visible ? "Visible 1" : "Visible 0");
        if (visible == Visible)
            return;
        Visible = visible;
        OnMarksVisibleChanged(visible);
    }
    void MarkMouseDown(QPoint point) override { Log.push_back("Down " + PointText(point)); }
    void MarkMouseMove(QPoint point) override { Log.push_back("Move " + PointText(point)); }
    void MarkMouseUp(QPoint point) override { Log.push_back("Up " + PointText(point)); }
    void SetForwardMouse(bool forward) override {
        Log.push_back(forward ? "Forward 1" : "Forward 0");
    }

    TLog& Log;
    bool Visible = true;
};

// Polls the event loop until the condition holds or two seconds have passed.
bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 2000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

class Toolbar : public ::testing::Test {
  protected:
    void SetUp() override {
        SetErrorReporter([this](const std::string& text) { Reports.push_back(text); });
        Window.SetOverlay(&Overlay);
    }
    void TearDown() override {
        Window.pmDrawMark->hide();
        SetErrorReporter({});
        EXPECT_EQ(Reports, std::vector<std::string>());
    }

    // Lets the player's slots write into the same log as the overlay.
    void RecordSlots() {
        Window.OnPlayPrevious = Recorder("Previous");
        Window.OnPlayNext = Recorder("Next");
        Window.OnQuit = Recorder("Quit");
        Window.OnToggleWriting = Recorder("Writing");
        Window.OnShowAbout = Recorder("About");
        Window.OnShowHelp = Recorder("Help");
    }
    TToolbarActions::TNotify Recorder(const std::string& name) {
        return [this, name](QObject* sender) {
            Log.push_back(name);
            EXPECT_EQ(sender, static_cast<QObject*>(&Window));
        };
    }

    // Runs the action and returns what reached the overlay and the slots meanwhile.
    TLog Execute(TAction* action) {
        Log.clear();
        action->Execute();
        return Log;
    }

    TToolButton& ButtonOf(const TAction* action) {
        for (TToolButton* button : Window.Buttons())
            if (&button->Action() == action)
                return *button;
        throw std::logic_error("no button shows the action");
    }

    // The toolbar, shown, with the mouse having been over it once.
    void ShowAndVisit() {
        Window.show();
        Window.tbControlMouseMove();
        ASSERT_TRUE(Window.ToolbarShown());
    }

    TLog Log;
    TRecordingOverlay Overlay{Log};
    TfrmToolbar Window;
    std::vector<std::string> Reports;
};

TEST_F(Toolbar, StartsWithItsActionsAsDocumented) {
    struct Expected {
        TAction* Action;
        bool Enabled;
        bool Checked;
        int Image;
        const char* Hint;
    };
    const Expected actions[] = {
        {Window.atPrevious, false, false, 0, "播放上一个"},
        {Window.atNext, true, false, 1, "播放下一个"},
        {Window.atWriting, true, false, 2, "显示/隐藏电子板书 (Ctrl+W)"},
        {Window.atControl, true, true, 10, "屏幕控制   (Ctrl+Z)"},
        {Window.atPencil, true, false, 4, "画笔工具   (Ctrl+X)"},
        {Window.atCircle, true, false, 5, "画圆工具   (Ctrl+C)"},
        {Window.atRubber, true, false, 6, "橡皮擦工具   (Ctrl+R)"},
        {Window.atClear, true, false, 7, "清除屏幕标注"},
        {Window.atVisible, true, true, 15, "显示/隐藏标注   (Ctrl+V)"},
        {Window.atExit, true, false, 9, "退出"},
        {Window.atHelp, true, false, 16, ""},
        {Window.atAbout, true, false, 17, ""},
    };
    for (const Expected& expected : actions) {
        SCOPED_TRACE(expected.Hint);
        EXPECT_EQ(expected.Action->isEnabled(), expected.Enabled);
        EXPECT_EQ(expected.Action->isChecked(), expected.Checked);
        EXPECT_EQ(expected.Action->ImageIndex, expected.Image);
        EXPECT_EQ(expected.Action->toolTip(), QString::fromUtf8(expected.Hint));
    }
    EXPECT_EQ(Window.ModeAction(), Window.atControl);
    EXPECT_EQ(Window.PanelPopupMenu(), nullptr);
    EXPECT_FALSE(Window.ToolbarShown());
    EXPECT_FALSE(Window.MouseEntered());
    EXPECT_FALSE(Window.MenuOpen());
    EXPECT_EQ(Window.tmrCheckMouseLeave->interval(), 500);
    EXPECT_FALSE(Window.tmrCheckMouseLeave->isActive());

    EXPECT_EQ(Window.size(), QSize(45, 461));
    const Qt::WindowFlags flags = Window.windowFlags();
    for (Qt::WindowType flag : {Qt::Tool, Qt::FramelessWindowHint, Qt::WindowStaysOnTopHint,
                                Qt::WindowDoesNotAcceptFocus})
        EXPECT_TRUE(flags.testFlag(flag)) << flag;
    EXPECT_EQ(Window.parentWidget(), nullptr);
}

TEST_F(Toolbar, ButtonsShowTheirActionsTopToBottomWithTheirHints) {
    const struct {
        TAction* Action;
        const char* Hint;
    } buttons[] = {
        {Window.atPrevious, "播放上一个 (PageUp)"},
        {Window.atNext, "播放下一个 (PageDown)"},
        {Window.atWriting, "显示/隐藏电子板书  (Ctrl + W)"},
        {Window.atControl, "屏幕控制  (Ctrl + Z)"},
        {Window.atPencil, "画笔工具  (Ctrl + X)"},
        {Window.atCircle, "画圆工具   (Ctrl+C)"},
        {Window.atRubber, "橡皮擦工具  (Ctrl + R)"},
        {Window.atClear, "清除屏幕标注"},
        {Window.atVisible, "显示/隐藏标注  (Ctrl + V)"},
        {Window.atHelp, ""},
        {Window.atAbout, ""},
        {Window.atExit, "退出"},
    };
    ASSERT_EQ(Window.Buttons().size(), std::size(buttons));
    EXPECT_EQ(Window.ToolBar1->geometry(), QRect(3, 3, 39, 456));
    EXPECT_EQ(Window.pnlControl->geometry(), QRect(0, 0, 45, 461));
    for (int i = 0; i < Window.Buttons().size(); ++i) {
        SCOPED_TRACE(i);
        const TToolButton& button = *Window.Buttons()[i];
        EXPECT_EQ(&button.Action(), buttons[i].Action);
        EXPECT_EQ(button.geometry(), QRect(0, 38 * i, 39, 38));
        EXPECT_EQ(button.toolTip(), QString::fromUtf8(buttons[i].Hint));
    }
    EXPECT_EQ(Window.tbPrevious, Window.Buttons()[0]);
    EXPECT_EQ(Window.btnPencil->PopupMenu, Window.pmDrawMark);
    EXPECT_EQ(Window.btnCircle->PopupMenu, Window.pmDrawMark);

    // Writing an image index tells the buttons, as the player's writes of atWriting's need.
    QSignalSpy changed(Window.atWriting, &QAction::changed);
    Window.atWriting->ImageIndex = 14;
    Window.atWriting->ImageIndex = 14;
    EXPECT_EQ(changed.count(), 1);

    // A disabled action disables its button; a click on a button runs its action.
    EXPECT_FALSE(Window.tbPrevious->isEnabled());
    Window.atPrevious->setEnabled(true);
    EXPECT_TRUE(Window.tbPrevious->isEnabled());
    RecordSlots();
    Window.show();
    QTest::mouseClick(&ButtonOf(Window.atNext), Qt::LeftButton);
    EXPECT_EQ(Log, TLog({"Clear", "Next"}));
}

TEST_F(Toolbar, ModeActionsAreOneRadioGroupWithTheirActiveImages) {
    struct Step {
        TAction* Action;
        int Images[4];  // control, pen, circle, rubber
        bool PanelMenu;
        TLog Overlay;
    };
    const Step steps[] = {
        {Window.atPencil, {3, 11, 5, 6}, true, {"Show", "Tool 0", "Cursor 1,3", "Forward 1"}},
        {Window.atPencil, {3, 11, 5, 6}, true, {"Show", "Tool 0", "Cursor 1,3", "Forward 1"}},
        {Window.atCircle, {3, 4, 12, 6}, true, {"Show", "Tool 2", "Cursor 16,16", "Forward 1"}},
        {Window.atRubber, {3, 4, 5, 13}, false, {"Show", "Tool 1", "Cursor 15,15", "Forward 1"}},
        {Window.atControl, {10, 4, 5, 6}, false, {"Hide"}},
        {Window.atControl, {10, 4, 5, 6}, false, {"Hide"}},
        {Window.atCircle, {3, 4, 12, 6}, true, {"Show", "Tool 2", "Cursor 16,16", "Forward 1"}},
    };
    TAction* const modes[] = {Window.atControl, Window.atPencil, Window.atCircle, Window.atRubber};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.Action->toolTip().toStdString());
        EXPECT_EQ(Execute(step.Action), step.Overlay);
        EXPECT_EQ(Window.ModeAction(), step.Action);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(modes[i]->isChecked(), modes[i] == step.Action) << i;
            EXPECT_EQ(modes[i]->ImageIndex, step.Images[i]) << i;
        }
        EXPECT_EQ(Window.PanelPopupMenu(), step.PanelMenu ? Window.pmDrawMark : nullptr);
    }
}

TEST_F(Toolbar, ControlModeResetsTheApplicationCursor) {
    Window.atPencil->Execute();
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);
    Window.atControl->Execute();
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST_F(Toolbar, PreviousClearsAfterItsSlotAndNextBefore) {
    Window.atPrevious->setEnabled(true);
    EXPECT_EQ(Execute(Window.atPrevious), TLog({"Clear"}));
    EXPECT_EQ(Execute(Window.atNext), TLog({"Clear"}));
    RecordSlots();
    EXPECT_EQ(Execute(Window.atPrevious), TLog({"Previous", "Clear"}));
    EXPECT_EQ(Execute(Window.atNext), TLog({"Clear", "Next"}));
    Window.atPrevious->setEnabled(false);
    Window.atNext->setEnabled(false);
    EXPECT_EQ(Execute(Window.atPrevious), TLog());
    EXPECT_EQ(Execute(Window.atNext), TLog());
}

TEST_F(Toolbar, CommandActionsCallTheirSlotOnly) {
    const struct {
        TAction* Action;
        const char* Slot;
    } commands[] = {
        {Window.atWriting, "Writing"},
        {Window.atExit, "Quit"},
        {Window.atHelp, "Help"},
        {Window.atAbout, "About"},
    };
    for (const auto& command : commands)
        EXPECT_EQ(Execute(command.Action), TLog()) << command.Slot;
    RecordSlots();
    for (const auto& command : commands)
        EXPECT_EQ(Execute(command.Action), TLog({command.Slot}));
    // The player, not the action, checks the writing button.
    EXPECT_FALSE(Window.atWriting->isChecked());
    EXPECT_EQ(Window.atWriting->ImageIndex, 2);
}

TEST_F(Toolbar, ClearAndVisibleDriveTheOverlayAndVisibleFollowsIt) {
    EXPECT_EQ(Execute(Window.atClear), TLog({"Clear"}));
    EXPECT_EQ(Execute(Window.atVisible), TLog({"Visible 0"}));
    EXPECT_FALSE(Window.atVisible->isChecked());
    EXPECT_EQ(Window.atVisible->ImageIndex, 8);
    EXPECT_EQ(Execute(Window.atVisible), TLog({"Visible 1"}));
    EXPECT_TRUE(Window.atVisible->isChecked());
    EXPECT_EQ(Window.atVisible->ImageIndex, 15);

    // The overlay shows marks put away again on its own (a press): the button follows.
    Overlay.SetMarksVisible(false);
    EXPECT_EQ(Window.atVisible->ImageIndex, 8);
    Overlay.SetMarksVisible(true);
    EXPECT_TRUE(Window.atVisible->isChecked());
    EXPECT_EQ(Window.atVisible->ImageIndex, 15);
}

// Keeps the error report's message box away from a test and gathers its texts.
class TReports {
  public:
    TReports() {
        SetErrorReporter([this](const std::string& text) { Texts.push_back(text); });
    }
    ~TReports() { SetErrorReporter({}); }
    std::vector<std::string> Texts;
};

TEST(ToolbarWithoutOverlay, SkipsTheOverlaysStepsOnly) {
    TReports reports;
    TLog log;
    TfrmToolbar window;
    window.OnPlayNext = [&log](QObject*) { log.push_back("Next"); };
    window.OnPlayPrevious = [&log](QObject*) { log.push_back("Previous"); };
    window.atPrevious->setEnabled(true);
    for (TAction* action : {window.atPencil, window.atClear, window.atVisible, window.atNext,
                            window.atPrevious, window.atRubber})
        action->Execute();
    window.WMMarkMouse(WM_LBUTTONDOWN);
    EXPECT_EQ(log, TLog({"Next", "Previous"}));
    EXPECT_TRUE(window.atRubber->isChecked());
    EXPECT_EQ(window.atRubber->ImageIndex, 13);
    EXPECT_EQ(window.atPencil->ImageIndex, 4);
    EXPECT_TRUE(window.atVisible->isChecked());
    EXPECT_EQ(reports.Texts, std::vector<std::string>());
}

TEST_F(Toolbar, MarkingMenuSetsThePenAndMovesItsChecks) {
    const QList<QAction*> top = Window.pmDrawMark->actions();
    ASSERT_EQ(top, QList<QAction*>({Window.miSelectColor, Window.N1, Window.miSelectWidth}));
    EXPECT_EQ(Window.miSelectColor->text(), QString::fromUtf8("颜色"));
    EXPECT_TRUE(Window.N1->isSeparator());
    EXPECT_EQ(Window.miSelectWidth->text(), QString::fromUtf8("线宽"));

    struct Item {
        QAction* Action;
        const char* Caption;
        const char* Chosen;
    };
    const Item colors[] = {
        {Window.white, "白色", "Color #ffffff"}, {Window.yellow, "黄色", "Color #ffff00"},
        {Window.red, "红色", "Color #ff0000"},   {Window.green, "绿色", "Color #008000"},
        {Window.blue, "蓝色", "Color #0000ff"},  {Window.black, "黑色", "Color #000000"},
    };
    const Item widths[] = {
        {Window.miPen1, "2", "Width 2"},
        {Window.miPen3, "4", "Width 4"},
        {Window.miPen5, "6", "Width 6"},
    };
    auto checkGroup = [](const auto& group, const QAction* checked) {
        for (const Item& item : group)
            EXPECT_EQ(item.Action->isChecked(), item.Action == checked) << item.Caption;
    };
    EXPECT_EQ(Window.miSelectColor->menu()->actions().size(), 6);
    EXPECT_EQ(Window.miSelectWidth->menu()->actions().size(), 3);
    checkGroup(colors, Window.red);
    checkGroup(widths, Window.miPen3);
    auto choose = [&](const auto& group) {
        for (const Item& item : group) {
            SCOPED_TRACE(item.Caption);
            EXPECT_EQ(item.Action->text(), QString::fromUtf8(item.Caption));
            Log.clear();
            item.Action->trigger();
            EXPECT_EQ(Log, TLog({item.Chosen}));
            checkGroup(group, item.Action);
        }
    };
    choose(colors);
    choose(widths);

    // The items show their swatch or line sample from imglstColor.
    const QImage greenItem = Window.green->icon().pixmap(QSize(42, 14)).toImage();
    EXPECT_EQ(greenItem.size(), QSize(42, 14));
    EXPECT_EQ(greenItem.pixelColor(21, 7), QColor(0, 128, 0));
    const QImage widest = Window.miPen5->icon().pixmap(QSize(42, 14)).toImage();
    EXPECT_EQ(widest.pixelColor(21, 7), QColor(Qt::black));
    EXPECT_EQ(widest.pixelColor(21, 1).alpha(), 0);
}

TEST_F(Toolbar, WhileTheMarkingMenuIsOpenTheToolbarStaysOut) {
    struct Case {
        const char* Name;
        std::function<void()> AfterPopup;
    };
    const Case cases[] = {
        {"a colour chosen", [this] { Window.green->trigger(); }},
        {"a width chosen", [this] { Window.miPen1->trigger(); }},
        {"a change reported", [this] { Window.miSelectWidth->setText("w"); }},
        {"closed without a choice", [this] { Window.pmDrawMark->hide(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        ShowAndVisit();
        QCursor::setPos(Window.x() - 200, Window.y());
        Window.pmDrawMark->popup(QPoint(Window.x() - 150, Window.y()));
        EXPECT_TRUE(Window.MenuOpen());
        Window.tmrCheckMouseLeaveTimer();
        EXPECT_TRUE(Window.ToolbarShown());
        c.AfterPopup();
        EXPECT_FALSE(Window.MenuOpen());
        Window.tmrCheckMouseLeaveTimer();
        EXPECT_FALSE(Window.ToolbarShown());
        Window.pmDrawMark->hide();
    }
}

TEST_F(Toolbar, RightClicksOpenTheMarkingMenuWhereTheModeSays) {
    struct Case {
        TAction* Mode;
        const char* Where;
        QWidget* Target;
        bool Opens;
    };
    QWidget* const next = &ButtonOf(Window.atNext);
    const Case cases[] = {
        {Window.atControl, "pen", Window.btnPencil, true},
        {Window.atControl, "circle", Window.btnCircle, true},
        {Window.atControl, "next", next, false},
        {Window.atControl, "frame", Window.Image2, false},
        {Window.atRubber, "circle", Window.btnCircle, true},
        {Window.atRubber, "next", next, false},
        {Window.atPencil, "next", next, true},
        {Window.atPencil, "frame", Window.Image2, true},
        {Window.atCircle, "strip", Window.ToolBar1, true},
    };
    Window.show();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Mode->toolTip().toStdString() + " on " + c.Where);
        c.Mode->Execute();
        QContextMenuEvent click(QContextMenuEvent::Mouse, QPoint(1, 1),
                                c.Target->mapToGlobal(QPoint(1, 1)));
        QApplication::sendEvent(c.Target, &click);
        EXPECT_EQ(Window.pmDrawMark->isVisible(), c.Opens);
        EXPECT_EQ(Window.MenuOpen(), c.Opens);
        Window.pmDrawMark->hide();
    }
}

TEST_F(Toolbar, WMMarkMouseReplaysIntoTheOverlaysHandlers) {
    constexpr uint32_t atom = 0x1234;
    TMarkMouseFilter filter(Window, atom);
    auto message = [this](uint32_t wparam) {
        xcb_client_message_event_t event{};
        // Sent by another client, so the server marks it as sent.
        event.response_type = XCB_CLIENT_MESSAGE | 0x80;
        event.format = 32;
        event.window = static_cast<xcb_window_t>(Window.winId());
        event.type = atom;
        event.data.data32[0] = wparam;
        event.data.data32[1] = 0xDEAD;  // LParam, not read
        return event;
    };
    const struct {
        uint32_t WParam;
        TLog Replayed;
    } replays[] = {
        {513, {"Down 0,0"}}, {514, {"Up 0,0"}}, {512, {"Move 0,0"}}, {515, {}}, {0, {}},
    };
    for (const auto& replay : replays) {
        SCOPED_TRACE(replay.WParam);
        Log.clear();
        xcb_client_message_event_t event = message(replay.WParam);
        EXPECT_TRUE(filter.nativeEventFilter("xcb_generic_event_t", &event, nullptr));
        EXPECT_EQ(Log, replay.Replayed);
    }

    // Only our message, to the toolbar's window, in 32-bit words, is taken.
    const std::function<void(xcb_client_message_event_t&)> others[] = {
        [](auto& event) { event.type = atom + 1; },
        [](auto& event) { event.window += 1; },
        [](auto& event) { event.format = 8; },
        [](auto& event) { event.response_type = XCB_KEY_PRESS; },
    };
    Log.clear();
    for (const auto& change : others) {
        xcb_client_message_event_t event = message(513);
        change(event);
        EXPECT_FALSE(filter.nativeEventFilter("xcb_generic_event_t", &event, nullptr));
    }
    xcb_client_message_event_t event = message(513);
    EXPECT_FALSE(filter.nativeEventFilter("windows_generic_MSG", &event, nullptr));
    TMarkMouseFilter unnamed(Window, XCB_ATOM_NONE);
    event.type = XCB_ATOM_NONE;
    EXPECT_FALSE(unnamed.nativeEventFilter("xcb_generic_event_t", &event, nullptr));
    EXPECT_EQ(Log, TLog());
}

TEST(ToolbarPlacementOnScreens, OutAtTheRightEdgeOrWithdrawnToThreeColumns) {
    const QSize toolbar(45, 461);
    EXPECT_EQ(ToolbarPlacement({1024, 768}, toolbar, true), QPoint(979, 153));
    EXPECT_EQ(ToolbarPlacement({1024, 768}, toolbar, false), QPoint(1021, 153));
    EXPECT_EQ(ToolbarPlacement({1920, 1080}, toolbar, true), QPoint(1875, 309));
    // Smaller than the toolbar: the division truncates toward zero.
    EXPECT_EQ(ToolbarPlacement({800, 400}, toolbar, false), QPoint(797, -30));
}

TEST_F(Toolbar, ShowsAtTheRightEdgeAndWithdrawsToItsStrip) {
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    Window.show();
    EXPECT_EQ(Window.pos(), QPoint(screen.width() - 45, (screen.height() - 461) / 2));
    EXPECT_TRUE(Window.ToolbarShown());
    EXPECT_TRUE(Window.tmrCheckMouseLeave->isActive());

    Window.tbControlMouseMove();
    QCursor::setPos(0, 0);
    Window.tmrCheckMouseLeaveTimer();
    EXPECT_EQ(Window.pos(), QPoint(screen.width() - 3, (screen.height() - 461) / 2));
    EXPECT_FALSE(Window.ToolbarShown());
    EXPECT_FALSE(Window.tmrCheckMouseLeave->isActive());

    // The mouse reaching the strip (the frame's leftmost columns) brings it back at once.
    QMouseEvent move(QEvent::MouseMove, QPointF(1, 200),
                     Window.Image2->mapToGlobal(QPointF(1, 200)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(Window.Image2, &move);
    EXPECT_TRUE(Window.ToolbarShown());
    EXPECT_EQ(Window.pos().x(), screen.width() - 45);
}

TEST_F(Toolbar, WithdrawsOnlyAfterAVisitOnceTheMouseIsOutside) {
    struct Case {
        const char* Name;
        bool Visited;
        QPoint Cursor;  // relative to the toolbar's top left
        bool Withdraws;
    };
    const Case cases[] = {
        {"never visited, mouse away", false, {-300, 0}, false},
        {"visited, mouse on the top left pixel", true, {0, 0}, false},
        {"visited, mouse on the bottom right pixel", true, {44, 460}, false},
        {"visited, mouse right of the window", true, {45, 100}, true},
        {"visited, mouse below the window", true, {10, 461}, true},
        {"visited, mouse left of the window", true, {-1, 100}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TfrmToolbar window;
        window.show();
        if (c.Visited)
            window.tbControlMouseMove();
        QCursor::setPos(window.pos() + c.Cursor);
        window.tmrCheckMouseLeaveTimer();
        EXPECT_EQ(window.ToolbarShown(), !c.Withdraws);
    }
}

TEST_F(Toolbar, OnlyTheFrameAndThePicturesAreSeenAndTakeTheMouse) {
    Window.show();
    auto shape = [this] { return Window.mask(); };
    ASSERT_TRUE(WaitFor([&] { return !shape().isEmpty(); }));
    // The strip: the frame's three leftmost columns, all the way down.
    for (int y = 0; y < 461; ++y)
        for (int x = 0; x < 3; ++x)
            ASSERT_TRUE(shape().contains(QPoint(x, y))) << x << "," << y;
    EXPECT_TRUE(shape().contains(QPoint(44, 230)));
    // A picture's middle is seen; the flat face around and between pictures is not.
    const QPoint strip(3, 3);
    for (int i = 0; i < 12; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(shape().contains(strip + QPoint(19, 38 * i + 19)));
        EXPECT_FALSE(shape().contains(strip + QPoint(19, 38 * i + 1)));
        EXPECT_FALSE(shape().contains(strip + QPoint(1, 38 * i + 19)));
    }

    // The checked mode's button shows its sunken edge, and the shape follows when it moves.
    const QPoint controlEdge = strip + QPoint(0, 38 * 3 + 19);
    const QPoint penEdge = strip + QPoint(0, 38 * 4 + 19);
    EXPECT_TRUE(shape().contains(controlEdge));
    EXPECT_FALSE(shape().contains(penEdge));
    Window.atPencil->Execute();
    EXPECT_TRUE(WaitFor([&] { return shape().contains(penEdge); }));
    EXPECT_FALSE(shape().contains(controlEdge));
}

TEST(ToolbarPictures, HaveTheirSizesAndTellTheStatesApart) {
    const TImageList tools = ToolImages();
    ASSERT_EQ(tools.Count(), 18);
    EXPECT_EQ(tools.Size(), QSize(32, 32));
    EXPECT_EQ(DisabledToolImages().Count(), 3);
    auto pixels = [&tools](int index) { return tools.Image(index).toImage(); };
    // Normal and active pictures of a mode differ; so do the two pictures of a toggle.
    for (auto [one, other] : {std::pair{3, 10}, {4, 11}, {5, 12}, {6, 13}, {2, 14}, {8, 15}})
        EXPECT_NE(pixels(one), pixels(other)) << one << " " << other;
    // The corners are the button face, so they are see-through on the toolbar.
    EXPECT_EQ(pixels(1).pixel(0, 0), kButtonFace);
    EXPECT_EQ(DisabledToolImages().Image(0).toImage().pixelColor(0, 0).alpha(), 0);

    const TImageList items = MarkItemImages(MarkColors);
    ASSERT_EQ(items.Count(), 20);
    EXPECT_EQ(items.Size(), QSize(42, 14));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(items.Image(i).toImage().pixel(21, 7), MarkColors[i]) << i;

    const QImage panel = PanelPicture();
    EXPECT_EQ(panel.size(), QSize(40, 418));
    EXPECT_EQ(panel.pixel(20, 200), kButtonFace);
    for (QPoint frame :
         {QPoint(0, 200), QPoint(1, 200), QPoint(39, 200), QPoint(20, 0), QPoint(20, 417)})
        EXPECT_NE(panel.pixel(frame), kButtonFace);
}

TEST_F(Toolbar, RegistersTheAnnotationCursors) {
    const struct {
        int Slot;
        QPoint HotSpot;
    } cursors[] = {{crPen, {1, 3}}, {crRubber, {15, 15}}, {crCircle, {16, 16}}};
    for (const auto& cursor : cursors) {
        SCOPED_TRACE(cursor.Slot);
        const QCursor registered = ScreenCursor(cursor.Slot);
        EXPECT_EQ(registered.hotSpot(), cursor.HotSpot);
        const QImage picture = registered.pixmap().toImage();
        ASSERT_EQ(picture.size(), QSize(32, 32));
        // Monochrome: black, white or transparent; something is drawn at the hot spot.
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) {
                const QRgb pixel = picture.pixel(x, y);
                ASSERT_TRUE(qAlpha(pixel) == 0 || pixel == qRgb(0, 0, 0) ||
                            pixel == qRgb(255, 255, 255))
                    << x << "," << y;
            }
        EXPECT_NE(qAlpha(picture.pixel(cursor.HotSpot)), 0);
    }
}

TEST(ToolbarOfThePlayer, IsShownWithThePlayerAndStepsThroughItsLessons) {
    TReports reports;
    TempFolder folder;
    auto picture = [](const std::string& name, const QColor& color) {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(color);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "BMP");
        return LessonFile{name, {bytes.begin(), bytes.end()}, {}};
    };
    const std::string bundle = BuildBundle(
        folder.Path().string(), {picture("red.bmp", Qt::red), picture("green.bmp", Qt::green)});
    std::filesystem::create_directory(folder.Path() / "temp");
    TfrmZRPlay player(
        TPlayerSetup{bundle, (folder.Path() / "temp").string() + "/", TestControls()});
    TfrmToolbar& toolbar = player.ToolbarWindow();
    EXPECT_EQ(&player.Toolbar(), static_cast<TToolbarActions*>(&toolbar));
    EXPECT_FALSE(toolbar.isVisible());
    player.show();
    EXPECT_TRUE(toolbar.isVisible());
    EXPECT_TRUE(toolbar.ToolbarShown());
    EXPECT_TRUE(toolbar.tmrCheckMouseLeave->isActive());

    QTest::mouseClick(toolbar.Buttons()[1], Qt::LeftButton);
    EXPECT_EQ(player.Image().Picture().pixelColor(0, 0), QColor(Qt::green));
    EXPECT_TRUE(toolbar.atPrevious->isEnabled());
    EXPECT_FALSE(toolbar.atNext->isEnabled());
    QTest::mouseClick(toolbar.tbPrevious, Qt::LeftButton);
    EXPECT_EQ(player.Image().Picture().pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(reports.Texts, std::vector<std::string>());
}

}  // namespace
}  // namespace kel::test
