#include "UnitToolbar.h"

#include <xcb/xcb.h>

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShowEvent>
#include <QTimer>
#include <functional>

#include "GeneralErrorReport.h"
#include "ScreenCursors.h"
#include "SkinPopupMenu.h"
#include "ToolButton.h"
#include "ToolbarPictures.h"
#include "WindowSystem.h"

namespace kel {

namespace {

constexpr int kPanelWidth = 45;
constexpr int kPanelHeight = 461;
constexpr int kStripWidth = 3;
constexpr int kCheckMouseLeaveMs = 500;
constexpr int kActiveImageOffset = 7;
constexpr int kMarksShownImage = 15;
constexpr int kMarksPutAwayImage = 8;

// A panel of the button face or a picture stretched over it, which reports mouse movement and
// opens its context menu, if it has one, on a right click (or passes the click to its parent).
class TMousePanel : public QWidget {
  public:
    TMousePanel(QWidget* parent, std::function<void()> onMouseMove)
        : QWidget(parent), FOnMouseMove(std::move(onMouseMove)) {
        setMouseTracking(true);
    }

    QImage Picture;
    QMenu* PopupMenu = nullptr;

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (Picture.isNull())
            painter.fillRect(rect(), QColor(kButtonFace));
        else
            painter.drawImage(rect(), Picture);
    }
    void mouseMoveEvent(QMouseEvent*) override { FOnMouseMove(); }
    void contextMenuEvent(QContextMenuEvent* event) override {
        if (PopupMenu)
            PopupMenu->popup(event->globalPos());
        else
            event->ignore();
    }

  private:
    std::function<void()> FOnMouseMove;
};

QSize ScreenSize() {
    QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize();
}

}  // namespace

QPoint ToolbarPlacement(QSize screen, QSize window, bool shown) {
    return {screen.width() - (shown ? window.width() : kStripWidth),
            (screen.height() - window.height()) / 2};
}

bool TMarkMouseFilter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (FAtom == XCB_ATOM_NONE || eventType != "xcb_generic_event_t")
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE)
        return false;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->type != FAtom || client->format != 32 || client->window == XCB_WINDOW_NONE ||
        client->window != FToolbar.internalWinId())
        return false;
    const uint32_t wparam = client->data.data32[0];
    RunGuarded([&] { FToolbar.WMMarkMouse(wparam); });
    return true;
}

// The window is placed and stacked by the program, past the window manager: a manager keeps a
// window it manages at least partly on the screen (openbox a tenth of its width, more than the
// strip) and lifts a focused full-screen window above "always on top" ones, so the annotation's
// restacking is what keeps the toolbar above the player window.
TfrmToolbar::TfrmToolbar()
    : TSkinForm(QColor(kButtonFace), Qt::Tool | Qt::WindowStaysOnTopHint |
                                         Qt::WindowDoesNotAcceptFocus |
                                         Qt::X11BypassWindowManagerHint),
      TToolbarActions(this),
      imgTools(ToolImages()),
      imgTools2(DisabledToolImages()),
      imglstColor(MarkItemImages(MarkColors)),
      FModeAction(atControl) {
    RegisterScreenCursor(crPen, CursorResource("PEN1"));
    RegisterScreenCursor(crRubber, CursorResource("RUBBER"));
    RegisterScreenCursor(crCircle, CursorResource("CIRCLE"));
    KeepWindowsOffTaskbar();

    setWindowTitle(QString::fromUtf8("工具栏"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The window never takes the focus, so its hints must show without it.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    BuildMarkMenu();
    BuildLayout();
    setFixedSize(pnlControl->size());
    BindActions();

    tmrCheckMouseLeave = new QTimer(this);
    tmrCheckMouseLeave->setInterval(kCheckMouseLeaveMs);
    connect(tmrCheckMouseLeave, &QTimer::timeout, this,
            [this] { RunGuarded([this] { tmrCheckMouseLeaveTimer(); }); });

    FMarkMouseFilter = std::make_unique<TMarkMouseFilter>(*this, InternAtom(kMarkMouseAtomName));
    QCoreApplication::instance()->installNativeEventFilter(FMarkMouseFilter.get());
}

TfrmToolbar::~TfrmToolbar() = default;

void TfrmToolbar::BuildLayout() {
    auto moved = [this] { RunGuarded([this] { tbControlMouseMove(); }); };
    auto* panel = new TMousePanel(this, moved);
    panel->setGeometry(0, 0, kPanelWidth, kPanelHeight);
    pnlControl = panel;
    auto* picture = new TMousePanel(pnlControl, moved);
    picture->Picture = PanelPicture();
    picture->setGeometry(pnlControl->rect());
    Image2 = picture;
    ToolBar1 = new TMousePanel(pnlControl, moved);
    ToolBar1->setGeometry(3, 3, TToolButton::kWidth, 12 * TToolButton::kHeight);

    const struct {
        TAction* Action;
        const char* Hint;
    } buttons[] = {
        {atPrevious, "播放上一个 (PageUp)"},
        {atNext, "播放下一个 (PageDown)"},
        {atWriting, "显示/隐藏电子板书  (Ctrl + W)"},
        {atControl, "屏幕控制  (Ctrl + Z)"},
        {atPencil, "画笔工具  (Ctrl + X)"},
        {atCircle, ""},
        {atRubber, "橡皮擦工具  (Ctrl + R)"},
        {atClear, ""},
        {atVisible, "显示/隐藏标注  (Ctrl + V)"},
        {atHelp, ""},
        {atAbout, ""},
        {atExit, ""},
    };
    for (const auto& button : buttons) {
        auto* widget = new TToolButton(*button.Action, QString::fromUtf8(button.Hint), imgTools,
                                       imgTools2, ToolBar1);
        widget->move(0, static_cast<int>(FButtons.size()) * TToolButton::kHeight);
        FButtons.append(widget);
    }
    tbPrevious = FButtons[0];
    btnPencil = FButtons[4];
    btnCircle = FButtons[5];
    btnPencil->PopupMenu = pmDrawMark;
    btnCircle->PopupMenu = pmDrawMark;
}

void TfrmToolbar::BuildMarkMenu() {
    pmDrawMark = new TSkinPopupMenu(imglstColor, this);
    pmDrawMark->OnPopup = [this] { FMenuOpen = true; };
    pmDrawMark->OnChange = [this] { FMenuOpen = false; };
    // Closed without a choice the menu is no longer open either; otherwise the toolbar would
    // stay out until the next choice.
    pmDrawMark->OnClose = [this] { FMenuOpen = false; };

    struct TItem {
        QAction*& Item;
        const char* Caption;
        int Tag;
        int Image;
        void (TfrmToolbar::*Click)(const QAction&);
    };
    auto addGroup = [this](TSkinPopupMenu& menu, std::initializer_list<TItem> items) {
        auto* group = new QActionGroup(&menu);
        for (const TItem& item : items) {
            QAction* action = menu.addAction(QString::fromUtf8(item.Caption));
            action->setCheckable(true);
            action->setData(item.Tag);
            menu.SetItemImage(action, item.Image);
            group->addAction(action);
            connect(action, &QAction::triggered, this, [this, action, click = item.Click] {
                RunGuarded([&] { (this->*click)(*action); });
            });
            item.Item = action;
        }
    };

    TSkinPopupMenu* colors = pmDrawMark->AddSubmenu(QString::fromUtf8("颜色"));
    miSelectColor = colors->menuAction();
    addGroup(*colors, {
                          {white, "白色", 15, 15, &TfrmToolbar::blackClick},
                          {yellow, "黄色", 11, 11, &TfrmToolbar::blackClick},
                          {red, "红色", 9, 9, &TfrmToolbar::blackClick},
                          {green, "绿色", 2, 2, &TfrmToolbar::blackClick},
                          {blue, "蓝色", 12, 12, &TfrmToolbar::blackClick},
                          {black, "黑色", 0, 0, &TfrmToolbar::blackClick},
                      });
    red->setChecked(true);
    N1 = pmDrawMark->addSeparator();
    TSkinPopupMenu* widths = pmDrawMark->AddSubmenu(QString::fromUtf8("线宽"));
    miSelectWidth = widths->menuAction();
    addGroup(*widths, {
                          {miPen1, "2", 2, 17, &TfrmToolbar::miPen2Click},
                          {miPen3, "4", 4, 18, &TfrmToolbar::miPen2Click},
                          {miPen5, "6", 6, 19, &TfrmToolbar::miPen2Click},
                      });
    miPen3->setChecked(true);
}

void TfrmToolbar::BindActions() {
    atPrevious->OnExecute = [this] {
        Notify(OnPlayPrevious);
        ClearMarks();
    };
    atNext->OnExecute = [this] {
        ClearMarks();
        Notify(OnPlayNext);
    };
    atWriting->OnExecute = [this] { Notify(OnToggleWriting); };
    atControl->OnExecute = [this] { ControlMode(); };
    atPencil->OnExecute = [this] { ToolMode(atPencil, pmDrawMark, TMarkTool::mtPencil, crPen); };
    atCircle->OnExecute = [this] { ToolMode(atCircle, pmDrawMark, TMarkTool::mtCircle, crCircle); };
    atRubber->OnExecute = [this] { ToolMode(atRubber, nullptr, TMarkTool::mtRubber, crRubber); };
    atClear->OnExecute = [this] { ClearMarks(); };
    atVisible->OnExecute = [this] {
        if (FOverlay)
            FOverlay->SetMarksVisible(!FOverlay->MarksVisible());
    };
    atExit->OnExecute = [this] { Notify(OnQuit); };
    atHelp->OnExecute = [this] { Notify(OnShowHelp); };
    atAbout->OnExecute = [this] { Notify(OnShowAbout); };
}

void TfrmToolbar::SetOverlay(TMarkOverlay* overlay) {
    FOverlay = overlay;
    if (!FOverlay)
        return;
    FOverlay->OnMarksVisibleChanged = [this](bool visible) { MarksVisibleChanged(visible); };
    MarksVisibleChanged(FOverlay->MarksVisible());
}

void TfrmToolbar::MarksVisibleChanged(bool visible) {
    atVisible->setChecked(visible);
    atVisible->ImageIndex = visible ? kMarksShownImage : kMarksPutAwayImage;
}

void TfrmToolbar::Notify(const TNotify& slot) {
    if (slot)
        slot(this);
}

void TfrmToolbar::ClearMarks() {
    if (FOverlay)
        FOverlay->ClearMarks();
}

void TfrmToolbar::SetModeAction(TAction* action) {
    FModeAction->ImageIndex -= kActiveImageOffset;
    FModeAction = action;
    FModeAction->ImageIndex += kActiveImageOffset;
}

void TfrmToolbar::ControlMode() {
    SetModeAction(atControl);
    static_cast<TMousePanel*>(pnlControl)->PopupMenu = nullptr;
    if (FOverlay)
        FOverlay->HideOverlay();
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void TfrmToolbar::ToolMode(TAction* action, QMenu* panelMenu, TMarkTool tool, int cursor) {
    SetModeAction(action);
    static_cast<TMousePanel*>(pnlControl)->PopupMenu = panelMenu;
    if (!FOverlay)
        return;
    FOverlay->ShowOverlay();
    FOverlay->SetTool(tool);
    FOverlay->SetToolCursor(ScreenCursor(cursor));
    FOverlay->SetForwardMouse(true);
}

QMenu* TfrmToolbar::PanelPopupMenu() const {
    return static_cast<TMousePanel*>(pnlControl)->PopupMenu;
}

void TfrmToolbar::blackClick(const QAction& item) {
    if (FOverlay)
        FOverlay->SetPenColor(QColor(MarkColors[item.data().toInt()]));
    FMenuOpen = false;
}

void TfrmToolbar::miPen2Click(const QAction& item) {
    if (FOverlay)
        FOverlay->SetPenWidth(item.data().toInt());
    FMenuOpen = false;
}

void TfrmToolbar::showEvent(QShowEvent* event) {
    TSkinForm::showEvent(event);
    if (!event->spontaneous())
        RunGuarded([this] { ShowToolbar(); });
}

void TfrmToolbar::ShowToolbar() {
    move(ToolbarPlacement(ScreenSize(), size(), true));
    FToolbarShown = true;
    if (!tmrCheckMouseLeave->isActive())
        tmrCheckMouseLeave->start();
}

void TfrmToolbar::HideToolbar() {
    move(ToolbarPlacement(ScreenSize(), size(), false));
    FToolbarShown = false;
    tmrCheckMouseLeave->stop();
}

void TfrmToolbar::tbControlMouseMove() {
    FMouseEntered = true;
    if (!FToolbarShown)
        ShowToolbar();
}

void TfrmToolbar::tmrCheckMouseLeaveTimer() {
    if (!FToolbarShown)
        return;
    if (!frameGeometry().contains(QCursor::pos()) && !FMenuOpen && FMouseEntered)
        HideToolbar();
}

void TfrmToolbar::WMMarkMouse(uint32_t wparam) {
    if (!FOverlay)
        return;
    const QPoint origin(0, 0);
    switch (wparam) {
        case WM_LBUTTONDOWN:
            FOverlay->MarkMouseDown(origin);
            break;
        case WM_LBUTTONUP:
            FOverlay->MarkMouseUp(origin);
            break;
        case WM_MOUSEMOVE:
            FOverlay->MarkMouseMove(origin);
            break;
        default:
            break;
    }
}

}  // namespace kel
