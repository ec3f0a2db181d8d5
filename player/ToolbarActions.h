#pragma once
// The toolbar's actions and its six event slots: what the player window sees of the toolbar.
// It binds the slots, enables and disables actions and executes them from its keyboard hook;
// the toolbar window (tools/UnitToolbar) shows them as buttons and gives them their commands.

#include <QAction>
#include <functional>

class QActionGroup;

namespace kel {

// An action with the index of the picture it currently shows.
class TAction : public QAction {
  public:
    TAction(const QString& hint, int imageIndex, QObject* parent);

    // The picture's index in the toolbar's image list. Writing it tells every button that
    // shows the action, as a change of the action's other properties does.
    class TImageIndex {
      public:
        TImageIndex(TAction& owner, int value) : FOwner(owner), FValue(value) {}
        TImageIndex(const TImageIndex&) = delete;
        TImageIndex& operator=(const TImageIndex& other) { return *this = other.FValue; }
        TImageIndex& operator=(int value);
        TImageIndex& operator+=(int delta) { return *this = FValue + delta; }
        TImageIndex& operator-=(int delta) { return *this = FValue - delta; }
        operator int() const { return FValue; }

      private:
        TAction& FOwner;
        int FValue;
    } ImageIndex;

    // Executing checks the action (the mode actions; their group unchecks the others, and
    // executing the checked one leaves it checked).
    bool AutoCheck = false;
    // The action's command, run through the general error report's guard.
    std::function<void()> OnExecute;

    // Runs the action unless it is disabled.
    void Execute();
};

class TToolbarActions {
  public:
    virtual ~TToolbarActions() = default;
    TToolbarActions(const TToolbarActions&) = delete;
    TToolbarActions& operator=(const TToolbarActions&) = delete;

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
    TAction* const atClear;
    TAction* const atVisible;
    TAction* const atExit;
    TAction* const atHelp;
    TAction* const atAbout;

  protected:
    // The actions are children of the toolbar window.
    explicit TToolbarActions(QObject* owner);

  private:
    QActionGroup* FModeGroup;
};

}  // namespace kel
