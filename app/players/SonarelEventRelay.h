#pragma once

#include "control/Sonarel.h"

#include <cstdint>

namespace players {

// Passes the control's events on to a listener chosen after the control was created. The control
// takes its listener at creation, while the listener (the PlayerController) needs the control: the
// relay is created first, handed to the control, and pointed at the controller once that exists.
// Events that arrive while no target is set are dropped.
class SonarelEventRelay final : public sonarel::ISonarelEvents {
public:
    // Not owned; nullptr drops the events from then on.
    void SetTarget(sonarel::ISonarelEvents* target) { m_target = target; }

    void OnError(short hStreamId, std::int32_t lRet, const char* pszErrInfo) override
    {
        if (m_target)
            m_target->OnError(hStreamId, lRet, pszErrInfo);
    }
    void OnComplete(short hStreamId) override
    {
        if (m_target)
            m_target->OnComplete(hStreamId);
    }
    void OnStateChanged(short hStreamId, short nOldState, short nNewState) override
    {
        if (m_target)
            m_target->OnStateChanged(hStreamId, nOldState, nNewState);
    }
    void OnPosChanged(short hStreamId, short nOldPos, short nNewPos) override
    {
        if (m_target)
            m_target->OnPosChanged(hStreamId, nOldPos, nNewPos);
    }
    void OnElapsedChanged(short hStreamId, std::int32_t lElapsed) override
    {
        if (m_target)
            m_target->OnElapsedChanged(hStreamId, lElapsed);
    }

private:
    sonarel::ISonarelEvents* m_target = nullptr;
};

} // namespace players
