#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

namespace pellavane {

/** What one probe target did in a check. */
struct TargetResult
{
    std::string host;
    bool answered = false;
};

/** The echoes sent to the first target in one check: how many were asked for, and the round trip of
 *  each one answered, in sequence order. A duplicate answer is not counted again. */
struct EchoCounts
{
    int sent = 0;
    std::vector<double> rttsMs;

    int Lost() const
    {
        return sent > static_cast<int>(rttsMs.size()) ? sent - static_cast<int>(rttsMs.size()) : 0;
    }
};

/** An address family a check tells apart. */
enum class AddressFamily : std::uint8_t
{
    V4,
    V6,
};

/** One configured address family's part of a check: the verdict over that family's targets alone. */
struct FamilyResult
{
    AddressFamily family = AddressFamily::V4;
    bool connected = false;
    /** Why it reads as it does, in the words of CheckResult::cause. */
    std::string cause;
    /** Round trip of that family's answering echo in milliseconds; nullopt when none. */
    std::optional<double> rttMs;
    /** The first of that family's targets that answered; empty when none did. */
    std::string target;
};

/** The outcome of one check, as the probe found it and the recorder wrote it. Everything that reads
 *  the monitor's state after a check (the views, the journal, reports, notifications, metrics) reads
 *  this. */
struct CheckResult
{
    /** Wall-clock time of the status line. */
    std::time_t time = 0;
    bool connected = false;
    /** Why the check reads as it does, one of a fixed set of words without commas: empty when the
     *  first target answered, else "targets silent", "name lookup failed", "no ping program",
     *  "captive portal", "echo filtered", "after resume" and the like. */
    std::string cause;
    /** Round trip of the answering echo in milliseconds, as ping printed it; nullopt when none. */
    std::optional<double> rttMs;
    /** The first host in list order that answered; empty when none did. */
    std::string target;
    /** Every target tried in this check, in list order. */
    std::vector<TargetResult> targets;
    /** How long the check took, in seconds. */
    double durationSeconds = 0;
    /** The first target's echoes, for a connected check: they measure the quality of a connection
     *  that is up. nullopt for a disconnected check. */
    std::optional<EchoCounts> echoes;
    /** Each configured family's verdict, IPv4 first; empty when no family is configured (only
     *  targets on this machine), and the check reads as it always did. */
    std::vector<FamilyResult> families;
};

} // namespace pellavane
