#include "ToolbarActions.h"

#include <QActionGroup>

#include "GeneralErrorReport.h"

namespace kel {

TAction::TAction(const QString& hint, int imageIndex, QObject* parent)
    : QAction(parent), ImageIndex(*this, imageIndex) {
    setToolTip(hint);
}

TAction::TImageIndex& TAction::TImageIndex::operator=(int value) {
    if (value != FValue) {
        FValue = value;
        emit FOwner.changed();
    }
    return *this;
}

void TAction::Execute() {
    if (!isEnabled())
        return;
    if (AutoCheck)
        setChecked(true);
    if (OnExecute)
        RunGuarded(OnExecute);
}

TToolbarActions::TToolbarActions(QObject* owner)
    : atPrevious(new TAction("播放上一个", 0, owner)),
      atNext(new TAction("播放下一个", 1, owner)),
      atWriting(new TAction("显示/隐藏电子板书 (Ctrl+W)", 2, owner)),
      atControl(new TAction("屏幕控制   (Ctrl+Z)", 10, owner)),
      atPencil(new TAction("画笔工具   (Ctrl+X)", 4, owner)),
      atCircle(new TAction("画圆工具   (Ctrl+C)", 5, owner)),
      atRubber(new TAction("橡皮擦工具   (Ctrl+R)", 6, owner)),
      atClear(new TAction("清除屏幕标注", 7, owner)),
      atVisible(new TAction("显示/隐藏标注   (Ctrl+V)", 15, owner)),
      atExit(new TAction("退出", 9, owner)),
      atHelp(new TAction({}, 16, owner)),
      atAbout(new TAction({}, 17, owner)),
      FModeGroup(new QActionGroup(owner)) {
    atPrevious->setEnabled(false);
    atWriting->setCheckable(true);
    for (TAction* mode : {atControl, atPencil, atCircle, atRubber}) {
        mode->setCheckable(true);
        mode->AutoCheck = true;
        FModeGroup->addAction(mode);
    }
    atControl->setChecked(true);
    atVisible->setCheckable(true);
    atVisible->setChecked(true);
}

}  // namespace kel
