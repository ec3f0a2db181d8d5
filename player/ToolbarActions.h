#pragma once
// The toolbar's actions and its six event slots. The player window binds the slots, enables and
// disables actions and runs them from its keyboard hook; the toolbar window shows them as
// buttons.

#include <QAction>
#include <QObject>
#include <functional>

class QActionGroup;

namespace kel {

// An action with the index of the picture it currently shows.
class TAction : public QAction {
  public:
    TAction(const QString& hint, int imageIndex, QObject* parent);

    int ImageIndex = 0;

    // Runs the action unless it is disabled.
    void Execute();
};

class TToolbarActions : public QObject {
  public:
    explicit TToolbarActions(QObject* parent = nullptr);

    // A slot is called with the toolbar as sender; an unassigned slot is skipped.
    using TNotify = std::function<void(QObject* sender)>;
    TNotify OnPlayPrevious;
    TNotify OnPlayNext;
    TNotify OnQuit;
    TNotify OnToggleWriting;
    TNotify OnShowAbout;
    TNotify OnShowHelp;

    TAction* const atPrevious;
    TAction* const atNext;
    TAction* const atWriting;
    // The four mode actions, one radio group; atControl is checked at first.
    TAction* const atControl;
    TAction* const atPencil;
    TAction* const atCircle;
    TAction* const atRubber;
    TAction* const atVisible;
    TAction* const atExit;
    TAction* const atHelp;
    TAction* const atAbout;

  private:
    // Every action's command goes through the general error report's guard.
    void Bind(TAction* action, const TNotify TToolbarActions::*slot);

    QActionGroup* FModeGroup;
};

}  // namespace kel
