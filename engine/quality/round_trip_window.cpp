#include "engine/quality/round_trip_window.h"

#include <algorithm>

namespace pellavane {

void RoundTripWindow::Add(double seconds, double roundTripMs)
{
    m_answers[m_next] = {seconds, roundTripMs};
    m_next = (m_next + 1) % kAnswers;
    m_count = std::min(m_count + 1, kAnswers);
}

double RoundTripWindow::Median() const
{
    if (m_count == 0) {
        return 0.0;
    }
    std::array<double, kAnswers> ms{};
    for (std::size_t i = 0; i < m_count; ++i) {
        ms[i] = m_answers[i].ms;
    }
    const auto end = ms.begin() + static_cast<std::ptrdiff_t>(m_count);
    const auto middle = ms.begin() + static_cast<std::ptrdiff_t>(m_count / 2);
    std::nth_element(ms.begin(), middle, end);
    return *middle;
}

double RoundTripWindow::Span() const
{
    if (m_count == 0) {
        return 0.0;
    }
    const std::size_t newest = (m_next + kAnswers - 1) % kAnswers;
    const std::size_t oldest = m_count < kAnswers ? 0 : m_next;
    return m_answers[newest].seconds - m_answers[oldest].seconds;
}

} // namespace pellavane
