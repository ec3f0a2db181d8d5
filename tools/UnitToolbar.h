#pragma once
// TfrmToolbar: the teacher's control strip, a borderless always-on-top tool window at the right
// edge of the screen, vertically centred, with twelve buttons in one column. It steps through
// the lessons, chooses the annotation tool, colour and width, shows, puts away and clears the
// marks, and raises the writing board, help, About and exit through the player's six slots.
// After the mouse has once been over it, it withdraws to a 3-pixel strip at the screen edge
// whenever the mouse leaves it, and comes back when the mouse reaches the strip. Only its
// frame and its button pictures are seen and take the mouse.

#include <QAbstractNativeEventFilter>
#include <QList>
#include <cstdint>
#include <memory>

#include "ImageList.h"
#include "MarkOverlay.h"
#include "SkinForm.h"
#include "ToolbarActions.h"

class QMenu;
class QTimer;

namespace kel {

class TSkinPopupMenu;
class TToolButton;
class TfrmToolbar;

// The sixteen basic colours, indexed by a colour item's tag.
inline constexpr QRgb MarkColors[16] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
    qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};

// The name of the atom of WM_MARKMOUSE, the toolbar's own X11 client message.
inline constexpr char kMarkMouseAtomName[] = "WM_MARKMOUSE";
// Mouse messages a WM_MARKMOUSE names in its first data word (its WParam).
inline constexpr uint32_t WM_MOUSEMOVE = 512;
inline constexpr uint32_t WM_LBUTTONDOWN = 513;
inline constexpr uint32_t WM_LBUTTONUP = 514;

// Where the toolbar stands on a screen of the given size: fully out at the right edge, or
// withdrawn so that only its leftmost 3 columns stay on the screen; vertically centred.
QPoint ToolbarPlacement(QSize screen, QSize window, bool shown);

// Accepts WM_MARKMOUSE from any sender: an X11 client message of the given atom, format 32,
// sent to the toolbar's window, whose first data word is replayed by WMMarkMouse.
class TMarkMouseFilter : public QAbstractNativeEventFilter {
  public:
    TMarkMouseFilter(TfrmToolbar& toolbar, uint32_t atom) : FToolbar(toolbar), FAtom(atom) {}
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

  private:
    TfrmToolbar& FToolbar;
    uint32_t FAtom;
};

class TfrmToolbar : public TSkinForm, public TToolbarActions {
  public:
    // Also registers the annotation cursors and keeps the application's windows off the
    // taskbar.
    TfrmToolbar();
    ~TfrmToolbar() override;

    // The screen annotation the toolbar drives and whose shown or put-away marks atVisible
    // follows. Without one (null) the toolbar's steps on it are skipped.
    void SetOverlay(TMarkOverlay* overlay);

    // Out at the right edge, with the mouse-leave check running.
    void ShowToolbar();
    // Withdrawn to the 3-pixel strip, the check stopped.
    void HideToolbar();

    // WM_MARKMOUSE: WParam 513, 514 and 512 run the overlay's press, release and move handlers
    // at the point (0, 0); any other value does nothing.
    void WMMarkMouse(uint32_t wparam);

    // Mouse movement over the panel, its picture or the button strip's background.
    void tbControlMouseMove();
    // Every 500 ms while out: withdraws once the mouse, after a first visit, is outside the
    // window and the marking menu is not open.
    void tmrCheckMouseLeaveTimer();

    bool ToolbarShown() const { return FToolbarShown; }
    bool MouseEntered() const { return FMouseEntered; }
    bool MenuOpen() const { return FMenuOpen; }
    TAction* ModeAction() const { return FModeAction; }
    // The context menu of the panel (pnlControl): the marking menu in pen and circle modes.
    QMenu* PanelPopupMenu() const;
    // The twelve buttons, top to bottom.
    const QList<TToolButton*>& Buttons() const { return FButtons; }

    TImageList imgTools;
    TImageList imgTools2;
    TImageList imglstColor;

    QWidget* pnlControl;
    QWidget* Image2;
    QWidget* ToolBar1;
    TToolButton* tbPrevious;
    TToolButton* btnPencil;
    TToolButton* btnCircle;
    QTimer* tmrCheckMouseLeave;

    TSkinPopupMenu* pmDrawMark;
    QAction* miSelectColor;
    QAction* white;
    QAction* yellow;
    QAction* red;
    QAction* green;
    QAction* blue;
    QAction* black;
    QAction* N1;
    QAction* miSelectWidth;
    QAction* miPen1;
    QAction* miPen3;
    QAction* miPen5;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildLayout();
    void BuildMarkMenu();
    void BindActions();
    void Notify(const TNotify& slot);
    void ClearMarks();
    void SetModeAction(TAction* action);
    void ControlMode();
    void ToolMode(TAction* action, QMenu* panelMenu, TMarkTool tool, int cursor);
    void MarksVisibleChanged(bool visible);
    void blackClick(const QAction& item);
    void miPen2Click(const QAction& item);

    TMarkOverlay* FOverlay = nullptr;
    bool FToolbarShown = false;
    bool FMouseEntered = false;
    bool FMenuOpen = false;
    TAction* FModeAction;
    QList<TToolButton*> FButtons;
    std::unique_ptr<TMarkMouseFilter> FMarkMouseFilter;
};

}  // namespace kel
