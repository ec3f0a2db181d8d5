#include "ToolbarActions.h"

#include <QActionGroup>

#include "GeneralErrorReport.h"

namespace kel {

TAction::TAction(const QString& hint, int imageIndex, QObject* parent)
    : QAction(parent), ImageIndex(imageIndex) {
    setToolTip(hint);
}

void TAction::Execute() {
    if (isEnabled())
        trigger();
}

TToolbarActions::TToolbarActions(QObject* parent)
    : QObject(parent),
      atPrevious(new TAction("播放上一个", 0, this)),
      atNext(new TAction("播放下一个", 1, this)),
      atWriting(new TAction("显示/隐藏电子板书 (Ctrl+W)", 2, this)),
      atControl(new TAction("屏幕控制   (Ctrl+Z)", 10, this)),
      atPencil(new TAction("画笔工具   (Ctrl+X)", 4, this)),
      atCircle(new TAction("画圆工具   (Ctrl+C)", 5, this)),
      atRubber(new TAction("橡皮擦工具   (Ctrl+R)", 6, this)),
      atVisible(new TAction("显示/隐藏标注   (Ctrl+V)", 15, this)),
      atExit(new TAction("退出", 9, this)),
      atHelp(new TAction({}, 16, this)),
      atAbout(new TAction({}, 17, this)),
      FModeGroup(new QActionGroup(this)) {
    atPrevious->setEnabled(false);
    atWriting->setCheckable(true);
    for (TAction* mode : {atControl, atPencil, atCircle, atRubber}) {
        mode->setCheckable(true);
        FModeGroup->addAction(mode);
    }
    atControl->setChecked(true);
    atVisible->setCheckable(true);
    atVisible->setChecked(true);

    Bind(atPrevious, &TToolbarActions::OnPlayPrevious);
    Bind(atNext, &TToolbarActions::OnPlayNext);
    Bind(atWriting, &TToolbarActions::OnToggleWriting);
    Bind(atExit, &TToolbarActions::OnQuit);
    Bind(atHelp, &TToolbarActions::OnShowHelp);
    Bind(atAbout, &TToolbarActions::OnShowAbout);
}

void TToolbarActions::Bind(TAction* action, const TNotify TToolbarActions::*slot) {
    connect(action, &QAction::triggered, this, [this, slot] {
        RunGuarded([this, slot] {
            if (const TNotify& notify = this->*slot)
                notify(this);
        });
    });
}

}  // namespace kel
