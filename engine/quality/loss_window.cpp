#include "engine/quality/loss_window.h"

#include <algorithm>

namespace pellavane {

void LossWindow::Add(double seconds, std::size_t sent, std::size_t lost)
{
    // A check of no echoes would take room and never be let go, as it adds nothing to the count.
    if (sent == 0) {
        return;
    }
    lost = std::min(lost, sent);
    if (sent > m_reach.mostEchoes) {
        lost = lost * m_reach.mostEchoes / sent;
        sent = m_reach.mostEchoes;
    }
    m_checks.push_back({seconds, sent, lost});
    m_sent += sent;
    m_lost += lost;
    Trim();
}

void LossWindow::Clear()
{
    m_checks.clear();
    m_sent = 0;
    m_lost = 0;
}

void LossWindow::SetReach(LossWindowReach reach)
{
    m_reach = reach;
    Trim();
}

double LossWindow::Span() const
{
    return m_checks.empty() ? 0.0 : m_checks.back().seconds - m_checks.front().seconds;
}

void LossWindow::Trim()
{
    const auto needless = [this] {
        if (m_sent > m_reach.mostEchoes) {
            return true;
        }
        return m_checks.size() > 1 && m_sent - m_checks.front().sent >= m_reach.fewestEchoes &&
               m_checks.back().seconds - m_checks[1].seconds >= m_reach.fewestSeconds;
    };
    while (needless()) {
        m_sent -= m_checks.front().sent;
        m_lost -= m_checks.front().lost;
        m_checks.pop_front();
    }
}

} // namespace pellavane
