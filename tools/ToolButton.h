#pragma once
// A flat button of the toolbar that shows an action: the action's picture by its image index
// (from the disabled list while the action is disabled), a raised edge under the mouse, a
// sunken edge while it is pressed or its action is checked. A click executes the action; the
// hint is the button's own or else the action's.

#include <QWidget>

#include "ImageList.h"
#include "ToolbarActions.h"

class QMenu;

namespace kel {

class TToolButton : public QWidget {
  public:
    static constexpr int kWidth = 39;
    static constexpr int kHeight = 38;

    // The image lists must outlive the button.
    TToolButton(TAction& action, const QString& hint, const TImageList& images,
                const TImageList& disabledImages, QWidget* parent);

    TAction& Action() const { return FAction; }
    // Opened by a right click on the button; without one the click goes to the parent.
    QMenu* PopupMenu = nullptr;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void ActionChanged();

    TAction& FAction;
    QString FHint;
    const TImageList& FImages;
    const TImageList& FDisabledImages;
    bool FHot = false;
    bool FPressed = false;
};

}  // namespace kel
