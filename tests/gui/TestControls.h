#pragma once
// Test doubles of the lesson controls: the inert controls plus a log of what the window asked
// and switches that make single operations fail.

#include <QStringList>

#include "Error.h"
#include "InertControls.h"

namespace kel::test {

class TTestFlash : public TInertFlash {
  public:
    using TInertFlash::TInertFlash;

    void SetMovie(const QString& movie) override {
        Calls << "Movie " + movie;
        TInertFlash::SetMovie(movie);
    }
    void TSetProperty(const QString& target, int property, const QString& value) override {
        Calls << QString("TSetProperty %1 %2 %3").arg(target).arg(property).arg(value);
        if (FailingTargets.contains(target))
            throw Error("the movie has no clip " + target.toStdString());
        TInertFlash::TSetProperty(target, property, value);
    }
    void SetVariable(const QString& name, const QString& value) override {
        Calls << "SetVariable " + name + " " + value;
        TInertFlash::SetVariable(name, value);
    }

    QStringList Calls;
    QStringList FailingTargets;
};

class TTestMediaPlayer : public TInertMediaPlayer {
  public:
    using TInertMediaPlayer::TInertMediaPlayer;

    int playState() const override {
        if (PlayStateFails)
            throw Error("the player cannot tell its state");
        return State;
    }
    void stop() override { ++Stops; }
    void close() override {
        ++Closes;
        TInertMediaPlayer::close();
    }

    int State = 0;
    bool PlayStateFails = false;
    int Stops = 0;
    int Closes = 0;
};

inline TLessonControlFactory TestControls() {
    return {
        [](QWidget* parent) { return new TTestFlash(parent); },
        [](QWidget* parent) { return new TTestMediaPlayer(parent); },
        [](QWidget* parent) { return new TInertBrowser(parent); },
    };
}

}  // namespace kel::test
