#pragma once

// The EDID Creator's undo and redo: the controls' state after each change since the image was
// loaded, so a step back or forward shows exactly the values it had (the page runs the checks on
// them again). Bounded: the oldest states go first.

#include <cstddef>
#include <deque>

#include "edid/CreatorState.h"

class CreatorUndo
{
  public:
    static constexpr std::size_t kSteps = 200;

    // A new history starting at state (a load: NEW, OPEN, Modify).
    void reset(const CreatorState &state);
    // The controls changed to state; false when it equals the current one (nothing to undo then).
    // Anything that could be redone is dropped.
    bool record(const CreatorState &state);
    // The state to show, or nullptr when there is no step that way.
    const CreatorState *undo();
    const CreatorState *redo();
    bool canUndo() const { return m_at > 0; }
    bool canRedo() const { return m_at + 1 < m_states.size(); }

  private:
    std::deque<CreatorState> m_states{CreatorState{}};
    std::size_t m_at = 0;
};
