#pragma once
// When the publisher's panes go back to the working folder and the web folder: on the
// window's first activation, and whenever the user comes to it from another window of the
// program; never when one of its own boxes closes, when the focus comes back from outside
// the program, nor while one of its commands runs (the component's events arrive during
// its calls, and a reset then would list folders inside a transfer).
#include <cassert>

namespace pw {

class Activation {
public:
    // Counts something for as long as it is in scope.
    class Counted {
    public:
        explicit Counted(int& count) : count_(count) { ++count_; }
        ~Counted() {
            assert(count_ > 0);
            --count_;
        }
        Counted(const Counted&) = delete;
        Counted& operator=(const Counted&) = delete;

    private:
        int& count_;
    };

    // A command of the window runs, or one of its message or input boxes is on screen,
    // while the returned value lives.
    [[nodiscard]] Counted CommandRuns() { return Counted(commands_); }
    [[nodiscard]] Counted BoxShows() { return Counted(boxes_); }
    bool CommandRunning() const { return commands_ > 0; }

    // The window was loaded: its first activation is due.
    void Load() { activated_ = false; }
    bool FirstDue() const { return !activated_; }

    // The focus went to another window (`toWindow` false: out of the program).
    void FocusLeft(bool toWindow) {
        cameFrom_ = !toWindow ? CameFrom::Outside : boxes_ > 0 ? CameFrom::OwnBox : CameFrom::ProgramWindow;
    }
    // The window became the active one: whether the panes go back now.
    bool BecameActive() {
        const bool first = !everActive_;
        everActive_ = true;
        return first ? !activated_ : cameFrom_ == CameFrom::ProgramWindow;
    }
    // The panes go back: true the first time, which is then done.
    bool TakeFirst() {
        const bool first = !activated_;
        activated_ = true;
        return first;
    }

private:
    // Where focus was before the window became active.
    enum class CameFrom { ProgramWindow, OwnBox, Outside };

    bool activated_ = false;   // the first-activation flag
    bool everActive_ = false;  // has been the active window
    int commands_ = 0;         // commands running
    int boxes_ = 0;            // message or input boxes of this window on screen
    CameFrom cameFrom_ = CameFrom::ProgramWindow;
};

}  // namespace pw
