#pragma once
// The skinned popup menu: drawn by a style of our own, with an item's picture from an image
// list beside its caption and a dot for a checked radio item. It reports its pop-up, its
// changes (an item's check, caption, picture or state changed, in it or in a submenu) and its
// closing.

#include <QMenu>
#include <functional>

#include "ImageList.h"

class QProxyStyle;

namespace kel {

class TSkinPopupMenu : public QMenu {
  public:
    // The images must outlive the menu.
    explicit TSkinPopupMenu(const TImageList& images, QWidget* parent = nullptr);

    // A submenu drawn by the same skin; its changes are reported by this menu.
    TSkinPopupMenu* AddSubmenu(const QString& caption);
    // Shows the picture at the index of the menu's image list beside the item's caption.
    void SetItemImage(QAction* item, int imageIndex);

    // Set on the menu that pops up; a submenu reports through it.
    std::function<void()> OnPopup;
    std::function<void()> OnChange;
    std::function<void()> OnClose;

  protected:
    void actionEvent(QActionEvent* event) override;

  private:
    TSkinPopupMenu(const TImageList& images, QProxyStyle* style, TSkinPopupMenu* parentMenu);
    void ReportChange();

    const TImageList& FImages;
    QProxyStyle* FStyle;
    TSkinPopupMenu* FParentMenu;
};

}  // namespace kel
