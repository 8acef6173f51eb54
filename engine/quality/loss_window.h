#pragma once

#include <cstddef>
#include <deque>

namespace pellavane {

/** How far back a loss window reaches. */
struct LossWindowReach
{
    /** It keeps the fewest whole checks that hold at least this many echoes... */
    std::size_t fewestEchoes;
    /** ...and span at least this many seconds... */
    double fewestSeconds;
    /** ...but never more than this many echoes. */
    std::size_t mostEchoes;
};

/** The first target's echoes in the most recent connected checks, with their totals, so the loss
 *  is always over a known span. */
class LossWindow
{
public:
    explicit LossWindow(LossWindowReach reach) : m_reach(reach) {}

    /** One check at seconds on a steady clock; the oldest checks go that are no longer needed. A
     *  check of more echoes than the window may hold is scaled down to it. */
    void Add(double seconds, std::size_t sent, std::size_t lost);
    void Clear();
    /** Lets the oldest checks go that the new reach no longer needs. */
    void SetReach(LossWindowReach reach);

    std::size_t Sent() const { return m_sent; }
    std::size_t Lost() const { return m_lost; }
    /** Seconds from the oldest check held to the newest; 0 with one check or none. */
    double Span() const;

private:
    struct Check
    {
        double seconds;
        std::size_t sent;
        std::size_t lost;
    };
    void Trim();

    LossWindowReach m_reach;
    std::deque<Check> m_checks;
    std::size_t m_sent = 0;
    std::size_t m_lost = 0;
};

} // namespace pellavane
