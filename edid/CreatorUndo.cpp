#include "edid/CreatorUndo.h"

void CreatorUndo::reset(const CreatorState &state)
{
    m_states.assign(1, state);
    m_at = 0;
}

bool CreatorUndo::record(const CreatorState &state)
{
    if (state == m_states[m_at])
        return false;
    m_states.erase(m_states.begin() + static_cast<std::ptrdiff_t>(m_at) + 1, m_states.end());
    m_states.push_back(state);
    // kSteps steps back need kSteps + 1 states.
    while (m_states.size() > kSteps + 1)
        m_states.pop_front();
    m_at = m_states.size() - 1;
    return true;
}

const CreatorState *CreatorUndo::undo()
{
    if (!canUndo())
        return nullptr;
    return &m_states[--m_at];
}

const CreatorState *CreatorUndo::redo()
{
    if (!canRedo())
        return nullptr;
    return &m_states[++m_at];
}
