#pragma once

#include <array>
#include <cstddef>

namespace pellavane {

/** The round trips of the first target's most recently answered echoes, for their median. A
 *  median of few answers is robust against the odd slow one and still follows a real change
 *  within a few checks. */
class RoundTripWindow
{
public:
    /** Answers held; odd, so the median is one of them. */
    static constexpr std::size_t kAnswers = 15;

    /** One answered echo of the check at seconds on a steady clock; the oldest held goes. */
    void Add(double seconds, double roundTripMs);
    void Clear()
    {
        m_next = 0;
        m_count = 0;
    }

    /** Whether it holds kAnswers answers: a median of fewer says too little to decide on. */
    bool Full() const { return m_count == kAnswers; }
    /** The median of the answers held; 0 when none. */
    double Median() const;
    /** Seconds from the check of the oldest answer held to that of the newest; 0 when none. */
    double Span() const;

private:
    struct Answer
    {
        double seconds;
        double ms;
    };
    std::array<Answer, kAnswers> m_answers{};
    std::size_t m_next = 0;
    std::size_t m_count = 0;
};

} // namespace pellavane
