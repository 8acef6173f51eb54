// The program itself, started as a process the way a script or a second desktop start runs it: exit
// statuses, what reaches the log, signals, the missing display and the single instance.

#include "testsupport/file_size_limit.h"
#include "testsupport/program_sandbox.h"
#include "testsupport/test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace pellavane::testing;
using Clock = std::chrono::steady_clock;

// Generous: the sanitizer build starts Qt several times slower.
constexpr auto kStartWait = 30s;
constexpr auto kExitWait = 10s;

/** The names in folder, as the bytes the file system holds. */
std::set<std::string> Names(const fs::path& folder)
{
    std::set<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool WaitUntil(const std::function<bool()>& condition, Clock::duration limit)
{
    const auto deadline = Clock::now() + limit;
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

/** A started program whose output goes to files; killed and reaped when dropped, so a failing test
 *  leaves nothing running and no zombie holding its lock. */
class Child
{
public:
    Child(const std::vector<std::string>& arguments, const Environment& environment, const fs::path& out,
          const fs::path& err)
        : m_pid(SpawnProgram(PELLAVANE_PROGRAM, arguments, environment, out, err))
    {}
    ~Child()
    {
        if (!m_status) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t Pid() const noexcept { return m_pid; }
    void Signal(int signal) { ::kill(m_pid, signal); }
    /** The exit status once the child has ended within limit (128 + the signal when one ended it). */
    std::optional<int> WaitFor(Clock::duration limit)
    {
        WaitUntil([this] { return Reaped(); }, limit);
        return m_status;
    }
    bool Running() { return !Reaped(); }

private:
    bool Reaped()
    {
        if (m_status) {
            return true;
        }
        int status = 0;
        if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        return m_status.has_value();
    }

    pid_t m_pid = -1;
    std::optional<int> m_status;
};

struct Finished
{
    std::optional<int> status;
    std::string out;
    std::string err;
};

const char* const kNoReplyPing = R"(echo "$@" >>"$(dirname "$0")/ping-arguments"
cat <<'REPLY'
PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.

--- 127.0.0.1 ping statistics ---
1 packets transmitted, 0 received, 100% packet loss, time 0ms

REPLY
exit 1
)";

const std::regex
    kStatusLine(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d Internet Connection Status: (Connected|Disconnected))");

/** The program with a fake ping first on PATH and every folder it writes to inside a temporary one. */
class CliProcess : public ::testing::Test
{
protected:
    CliProcess()
    {
        for (char** e = environ; *e != nullptr; ++e) {
            const std::string entry(*e);
            const auto equals = entry.find('=');
            if (equals != std::string::npos) {
                m_environment[entry.substr(0, equals)] = entry.substr(equals + 1);
            }
        }
        // Without a display unless a test gives one; no session bus to start a daemon for.
        for (const char* name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_DATA_HOME", "PELLAVANE_PROBE_HOSTS"}) {
            m_environment.erase(name);
        }
        for (const auto& [name, value] : m_sandbox.Variables()) {
            m_environment[name] = value;
        }
    }

    void UsePing(const char* script) { m_sandbox.UsePing(script); }

    std::unique_ptr<Child> Start(const std::vector<std::string>& arguments, const std::string& name = "child")
    {
        return std::make_unique<Child>(arguments, m_environment, OutPath(name), ErrPath(name));
    }

    Finished Run(const std::vector<std::string>& arguments, const std::string& name = "run")
    {
        Child child(arguments, m_environment, OutPath(name), ErrPath(name));
        Finished finished;
        finished.status = child.WaitFor(kStartWait);
        finished.out = ReadFile(OutPath(name));
        finished.err = ReadFile(ErrPath(name));
        return finished;
    }

    fs::path OutPath(const std::string& name) const { return Temp() / (name + ".out"); }
    fs::path ErrPath(const std::string& name) const { return Temp() / (name + ".err"); }
    fs::path Temp() const { return m_sandbox.Folder().Path(); }
    fs::path DefaultLog() const { return Temp() / "state" / "Pellavane.txt"; }
    fs::path RuntimeFile(const char* name) const { return Temp() / "runtime" / name; }
    std::string PingArguments() const { return m_sandbox.PingArguments(); }

    ProgramSandbox m_sandbox;
    Environment m_environment;
};

/** Every line of a log ends in CR LF, the last one too: nothing was cut. */
void ExpectWholeCrLfLines(const std::string& log)
{
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.substr(log.size() - 2), "\r\n") << "the last line is cut: " << log;
    for (const std::string& line : SplitLines(log)) {
        ASSERT_FALSE(line.empty());
        EXPECT_EQ(line.back(), '\r') << "a line without CR LF: " << line;
        EXPECT_TRUE(std::regex_match(line.substr(0, line.size() - 1), kStatusLine)) << line;
    }
}

int SecondOfDay(const std::string& line)
{
    return std::stoi(line.substr(11, 2)) * 3600 + std::stoi(line.substr(14, 2)) * 60 +
           std::stoi(line.substr(17, 2));
}

TEST_F(CliProcess, CheckConnectedPrintsTheStatusLineExitsZeroAndWritesNoLog)
{
    const Finished run = Run({"--check"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto lines = SplitLines(run.out);
    ASSERT_EQ(lines.size(), 1U) << run.out;
    EXPECT_TRUE(std::regex_match(lines[0], kStatusLine)) << lines[0];
    EXPECT_NE(lines[0].find("Status: Connected"), std::string::npos);
    EXPECT_FALSE(fs::exists(DefaultLog()));
    EXPECT_FALSE(fs::exists(Temp() / "config" / "Quillmoor.ini")) << "a check must not write settings";
    EXPECT_NE(PingArguments().find("127.0.0.1"), std::string::npos) << PingArguments();
}

TEST_F(CliProcess, CheckWithoutReplyExitsOneAndAppendsOneCrLfLineToTheGivenLog)
{
    UsePing(kNoReplyPing);
    const fs::path log = Temp() / "checks.txt";
    WriteFile(log, "01/02/2026 03:04:05 Internet Connection Status: Connected\r\n");

    const Finished run = Run({"--check", "--log", log.string()});
    ASSERT_EQ(run.status, 1) << run.err;
    const auto printed = SplitLines(run.out);
    ASSERT_EQ(printed.size(), 1U) << run.out;
    EXPECT_NE(printed[0].find("Status: Disconnected"), std::string::npos);
    EXPECT_EQ(ReadFile(log),
              "01/02/2026 03:04:05 Internet Connection Status: Connected\r\n" + printed[0] + "\r\n");
}

// Every start runs under LC_ALL=C here: a log named in UTF-8 must still be the file written.
TEST_F(CliProcess, CheckUnderTheCLocaleWritesALogWithNonAsciiLettersInItsName)
{
    UsePing(kNoReplyPing);
    const fs::path log = Temp() / "\u0436\u0443\u0440\u043d\u0430\u043b \u00e9t\u00e9.txt";
    const Finished run = Run({"--check", "--log", log.string()});
    ASSERT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(ReadFile(log), run.out.substr(0, run.out.find('\n')) + "\r\n");
}

// A file name is bytes. One that is not UTF-8 (Latin-1 "caf\xe9") is the file written, under the C
// locale and a UTF-8 one alike, and the journal's name is made from the same bytes; no file is
// written under a name with U+FFFD in its place.
constexpr const char* kLocales[] = {"C", "C.UTF-8"};
const std::string kLatin1Log = "caf\xe9.log";
const std::string kLatin1Journal = "caf\xe9.journal.csv";

TEST_F(CliProcess, CheckWritesALogNamedInBytesThatAreNotUtf8AndItsJournalBesideItUnderEveryLocale)
{
    UsePing(kNoReplyPing);
    for (const char* locale : kLocales) {
        m_environment["LC_ALL"] = locale;
        const fs::path folder = Temp() / (std::string("check-") + locale);
        fs::create_directories(folder);
        const fs::path log = folder / kLatin1Log;
        const Finished run = Run({"--check", "--log", log.string()});
        ASSERT_EQ(run.status, 1) << locale << ": " << run.err;
        EXPECT_EQ(ReadFile(log), run.out.substr(0, run.out.find('\n')) + "\r\n") << locale;
        EXPECT_EQ(SplitLines(ReadFile(folder / kLatin1Journal)).size(), 2U) << locale;
        EXPECT_EQ(Names(folder), (std::set<std::string>{kLatin1Log, kLatin1Journal})) << locale;

        // A log that cannot be written is named by its own bytes.
        const fs::path missing = folder / "no-such-folder" / kLatin1Log;
        const Finished failed = Run({"--check", "--log", missing.string()});
        EXPECT_EQ(failed.status, 3) << locale;
        EXPECT_NE(failed.err.find("'" + missing.string() + "'"), std::string::npos)
            << locale << ": " << failed.err;
    }
}

TEST_F(CliProcess, ConsoleWritesTheLogJournalAndMetricsNamedInBytesThatAreNotUtf8UnderEveryLocale)
{
    for (const char* locale : kLocales) {
        m_environment["LC_ALL"] = locale;
        const fs::path folder = Temp() / (std::string("console-") + locale);
        fs::create_directories(folder);
        const fs::path log = folder / kLatin1Log;
        const fs::path metrics = folder / "m\xe9trics.prom";
        const std::string name = std::string("console-") + locale;
        auto child = Start(
            {"--console", "--interval", "1s", "--log", log.string(), "--metrics", metrics.string()}, name);
        ASSERT_TRUE(WaitUntil([&] { return !ReadFile(log).empty() && fs::exists(metrics); }, kStartWait))
            << locale << ": " << ReadFile(ErrPath(name)) << " in " << folder;
        child->Signal(SIGTERM);
        EXPECT_EQ(child->WaitFor(kExitWait), 0) << locale;

        ExpectWholeCrLfLines(ReadFile(log));
        EXPECT_NE(ReadFile(metrics).find("pellavane_"), std::string::npos) << locale;
        EXPECT_NE(ReadFile(folder / kLatin1Journal).find(",start,"), std::string::npos) << locale;
        EXPECT_EQ(Names(folder), (std::set<std::string>{kLatin1Log, kLatin1Journal, "m\xe9trics.prom"}))
            << locale;
        EXPECT_NE(ReadFile(ErrPath(name)).find(" to " + log.string() + ";"), std::string::npos)
            << locale << ": " << ReadFile(ErrPath(name));
    }
}

TEST_F(CliProcess, ReportsReadTheHistoryOfALogNamedInBytesThatAreNotUtf8UnderEveryLocale)
{
    m_environment["TZ"] = "UTC0";
    const fs::path log = Temp() / kLatin1Log;
    WriteFile(log, "12/09/2026 00:01:00 Internet Connection Status: Connected\r\n"
                   "12/09/2026 00:02:00 Internet Connection Status: Disconnected\r\n"
                   "12/09/2026 00:03:00 Internet Connection Status: Connected\r\n");
    for (const char* locale : kLocales) {
        m_environment["LC_ALL"] = locale;
        const Finished outages = Run({"--outages", "--log", log.string(), "--csv"});
        ASSERT_EQ(outages.status, 0) << locale << ": " << outages.err;
        EXPECT_EQ(outages.out, "start,end,duration_s,cause\n"
                               "2026-12-09T00:02:00+00:00,2026-12-09T00:03:00+00:00,60,\n")
            << locale;
        const Finished uptime = Run({"--uptime", "--log=" + log.string(), "--csv"});
        ASSERT_EQ(uptime.status, 0) << locale << ": " << uptime.err;
        EXPECT_NE(uptime.out.find("2026-12-09,"), std::string::npos) << locale << ": " << uptime.out;
    }
}

TEST_F(CliProcess, CheckWithALogThatCannotBeWrittenSaysWhyAndFails)
{
    const fs::path log = Temp() / "no-such-folder" / "checks.txt";
    const Finished run = Run({"--check", "--log", log.string()});
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.err.find(log.string()), std::string::npos) << run.err;
}

TEST_F(CliProcess, CheckWithALogWritesOnlyItsCheckRowToTheJournalBesideIt)
{
    const fs::path log = Temp() / "checks.txt";
    const fs::path journal = Temp() / "checks.journal.csv";
    ASSERT_EQ(Run({"--check", "--log", log.string()}).status, 0);
    UsePing(kNoReplyPing);
    ASSERT_EQ(Run({"--check", "--log", log.string()}).status, 1);

    const auto rows = SplitLines(ReadFile(journal));
    ASSERT_EQ(rows.size(), 3U) << ReadFile(journal);
    EXPECT_EQ(rows[0], "time,event,status,rtt_ms,target,detail\r");
    const std::regex connected(
        R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d,check,connected,[^,]*,[^,]*,\r)");
    const std::regex disconnected(
        R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d,check,disconnected,,,[^,]*\r)");
    EXPECT_TRUE(std::regex_match(rows[1], connected)) << rows[1];
    EXPECT_TRUE(std::regex_match(rows[2], disconnected)) << rows[2];
    ExpectWholeCrLfLines(ReadFile(log));
}

TEST_F(CliProcess, CheckWithAForeignFileAtTheJournalsPathLeavesItAndKeepsTheStatus)
{
    const fs::path log = Temp() / "checks";
    const fs::path journal = Temp() / "checks.journal.csv";
    WriteFile(journal, "not a journal\r\n");
    const Finished run = Run({"--check", "--log", log.string()});
    EXPECT_EQ(run.status, 0) << "only the text log's failure is exit status 3";
    EXPECT_NE(run.err.find(journal.string()), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(journal), "not a journal\r\n");
    EXPECT_EQ(SplitLines(ReadFile(log)).size(), 1U);
}

// A file-size limit crossed in mid-line fails the write like a full disk instead of ending the
// program by SIGXFSZ. The child inherits the soft limit set here for the moment of its start.
TEST_F(CliProcess, CheckWithALogAtTheFileSizeLimitSaysWhyFailsAndKeepsTheLogWhole)
{
    const fs::path log = Temp() / "limited.txt";
    WriteFile(log, std::string(1002, 'x'));
    const Finished run = [&] {
        const ScopedFileSizeLimit limit(1024);
        return Run({"--check", "--log", log.string()});
    }();

    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_NE(run.err.find("'" + log.string() + "': File too large"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(log), std::string(1002, 'x'));
}

TEST_F(CliProcess, HelpAndVersionExitZero)
{
    const Finished help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--console"), std::string::npos) << help.out;
    const Finished version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("pellavane ", 0), 0U) << version.out;
}

TEST_F(CliProcess, UnknownOptionOrBadIntervalExitsTwoWithTheReasonOnStandardError)
{
    const Finished unknown = Run({"--frobnicate"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("--frobnicate"), std::string::npos) << unknown.err;
    EXPECT_TRUE(unknown.out.empty()) << unknown.out;

    const Finished badInterval = Run({"--console", "--interval", "7s"});
    EXPECT_EQ(badInterval.status, 2);
    EXPECT_FALSE(badInterval.err.empty());
    EXPECT_FALSE(fs::exists(DefaultLog()));

    for (const char* echoes : {"0", "21", "x"}) {
        const Finished badEchoes = Run({"--check", "--echoes", echoes});
        EXPECT_EQ(badEchoes.status, 2) << echoes;
        EXPECT_NE(badEchoes.err.find("--echoes"), std::string::npos) << badEchoes.err;
    }
    EXPECT_TRUE(PingArguments().empty()) << "ping was started with " << PingArguments();
}

TEST_F(CliProcess, CheckWithEchoesSendsThemInOnePingAndJournalsThemBesideTheCheck)
{
    m_sandbox.LoseEchoes("2 4");
    const fs::path log = Temp() / "checks.txt";
    const Finished run = Run({"--check", "--echoes", "5", "--log", log.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(PingArguments(), "-c 5 -i 0.2 -W 4 127.0.0.1\n");
    ExpectWholeCrLfLines(ReadFile(log));
    EXPECT_EQ(SplitLines(ReadFile(log)).size(), 1U);
    const std::vector<std::string> rows = SplitLines(ReadFile(Temp() / "checks.journal.csv"));
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_NE(rows[1].find(",check,connected,0.12,127.0.0.1,\r"), std::string::npos) << rows[1];
    EXPECT_NE(rows[2].find(",echoes,,,127.0.0.1,sent=5 lost=2 rtt=0.12 0.12 0.12\r"), std::string::npos)
        << rows[2];
}

TEST_F(CliProcess, OutagesAndUptimeReportTheHistoryOfTheLogAndItsJournal)
{
    // The text log until the journal begins; its lines after that are the journal's rows again.
    const fs::path log = Temp() / "net.txt";
    WriteFile(log, "12/08/2026 23:58:00 Internet Connection Status: Connected\r\n"
                   "12/08/2026 23:59:00 Internet Connection Status: Disconnected\r\n"
                   "not a status line\r\n"
                   "12/09/2026 Internet Connection Status: Disconnected\r\n"
                   "12/09/2026 00:01:00 Internet Connection Status: Connected\r\n"
                   "12/09/2026 00:02:00 Internet Connection Status: Connected\r\n");
    WriteFile(Temp() / "net.journal.csv",
              "time,event,status,rtt_ms,target,detail\r\n"
              "2026-12-09T00:02:00+00:00,start,,,,interval=60\r\n"
              "2026-12-09T00:02:00+00:00,check,disconnected,,,targets silent\r\n"
              "2026-12-09T00:03:00+00:00,check,disconnected,,,targets silent\r\n");
    m_environment["TZ"] = "UTC0";
    const Finished csv = Run({"--outages", "--log", log.string(), "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "start,end,duration_s,cause\n"
                       "2026-12-08T23:59:00+00:00,2026-12-09T00:01:00+00:00,120,\n"
                       "2026-12-09T00:02:00+00:00,,60,targets silent\n");
    EXPECT_NE(csv.err.find("1 line was not understood"), std::string::npos) << csv.err;

    const Finished json = Run({"--uptime", "--log", log.string(), "--json", "--from", "2026-12-09"});
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out,
              "[\n  {\"period\": \"2026-12-09\", \"up_s\": 60, \"down_s\": 120, \"unknown_s\": 86220, "
              "\"outages\": 1, \"longest_s\": 60, \"uptime_pct\": 33.33}\n]\n");

    const Finished table = Run({"--uptime", "--log", log.string(), "--by", "month"});
    ASSERT_EQ(table.status, 0) << table.err;
    EXPECT_NE(table.out.find("2026-12"), std::string::npos) << table.out;

    // Without --log, the log the settings name.
    fs::create_directories(DefaultLog().parent_path());
    fs::copy_file(log, DefaultLog());
    const Finished stored = Run({"--outages"});
    ASSERT_EQ(stored.status, 0) << stored.err;
    EXPECT_NE(stored.out.find("2 min 00 s"), std::string::npos) << stored.out;
}

TEST_F(CliProcess, QualityReportsTheFirstTargetsEchoesOfOldAndNewRowsPerPeriod)
{
    const fs::path log = Temp() / "net.txt";
    WriteFile(Temp() / "net.journal.csv",
              "time,event,status,rtt_ms,target,detail\r\n"
              "2026-12-08T23:59:50+00:00,start,,,,interval=5\r\n"
              "2026-12-08T23:59:50+00:00,check,connected,20,192.0.2.1,\r\n"
              "2026-12-08T23:59:55+00:00,check,connected,31,192.0.2.2,first target silent\r\n"
              "2026-12-09T00:00:00+00:00,check,connected,18.5,192.0.2.1,\r\n"
              "2026-12-09T00:00:00+00:00,echoes,,,192.0.2.1,sent=5 lost=1 rtt=18.5 19 18.25 40\r\n"
              "2026-12-09T00:00:00+00:00,quality,degraded,,,loss 20%\r\n"
              "2026-12-09T00:00:05+00:00,check,disconnected,,,provider\r\n");
    m_environment["TZ"] = "UTC0";
    const Finished csv = Run({"--quality", "--log", log.string(), "--csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "period,echoes,lost,loss_pct,rtt_median_ms,rtt_p95_ms,jitter_ms,degraded_s\n"
                       "2026-12-08,2,1,50.00,20,20,,0\n"
                       "2026-12-09,5,1,20.00,18.5,40,7.67,5\n");
    const Finished hours = Run(
        {"--quality", "--log", log.string(), "--by", "hour", "--from", "2026-12-09", "--to", "2026-12-09"});
    ASSERT_EQ(hours.status, 0) << hours.err;
    EXPECT_EQ(hours.out.substr(hours.out.find('\n') + 1, 22), "2026-12-09T00:00+00:00");
    EXPECT_EQ(std::count(hours.out.begin(), hours.out.end(), '\n'), 25) << hours.out;
}

TEST_F(CliProcess, ReportsOfAHistoryThatCannotBeReadExitThreeAndBadValuesTwo)
{
    const fs::path missing = Temp() / "missing.txt";
    struct Case
    {
        std::vector<std::string> arguments;
        int status;
        std::string told;
    };
    const std::vector<Case> cases = {
        {{"--outages", "--log", missing.string()}, 3, missing.string()},
        {{"--quality", "--log", missing.string(), "--json"}, 3, missing.string()},
        {{"--uptime", "--from", "2026-13-01"}, 2, "2026-13-01"},
        {{"--quality", "--by", "week"}, 2, "week"},
        {{"--quality", "--to", "2026-12-32"}, 2, "2026-12-32"},
        {{"--quality", "--merge", "5m"}, 2, "--merge"},
        {{"--quality", "--uptime"}, 2, "--quality"},
        {{"--outages", "--by", "hour"}, 2, "--by"},
    };
    for (const Case& c : cases) {
        const Finished run = Run(c.arguments);
        EXPECT_EQ(run.status, c.status) << c.arguments.front() << " " << c.arguments[1];
        EXPECT_NE(run.err.find(c.told), std::string::npos) << run.err;
        EXPECT_TRUE(run.out.empty()) << run.out;
    }
}

TEST_F(CliProcess, ProbeHostThatCouldSmuggleArgumentsIsRefusedWithTheReason)
{
    m_environment["PELLAVANE_PROBE_HOST"] = "-f 127.0.0.1";
    const Finished run = Run({"--check"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("PELLAVANE_PROBE_HOST"), std::string::npos) << run.err;
    EXPECT_TRUE(PingArguments().empty()) << "ping was started with " << PingArguments();
}

// Answers for 127.0.0.3 and 127.0.0.4 only, so which hosts a check asked shows in the arguments.
const char* const kAnswersForSomePing = R"(echo "$@" >>"$(dirname "$0")/ping-arguments"
case "$*" in
*127.0.0.3*|*127.0.0.4*) echo '64 bytes from 127.0.0.3: icmp_seq=1 ttl=64 time=0.120 ms' ;;
*) echo '1 packets transmitted, 0 received, 100% packet loss'; exit 1 ;;
esac
)";

TEST_F(CliProcess, TargetsComeFromHostsOptionThenVariablesThenTheSetting)
{
    UsePing(kAnswersForSomePing);
    WriteFile(Temp() / "config" / "Quillmoor.ini", "[Pellavane]\nProbeHosts=127.0.0.4\nCheckUrl=\n");
    m_environment["PELLAVANE_PROBE_HOSTS"] = "127.0.0.5,127.0.0.6";
    struct Case
    {
        std::vector<std::string> arguments;
        bool keepHostsVariable;
        int status;
        std::string pinged;
    };
    const Case table[] = {
        {{"--check", "--hosts", "127.0.0.2,127.0.0.3"}, true, 0, "127.0.0.2\n127.0.0.3\n"},
        {{"--check"}, true, 1, "127.0.0.5\n127.0.0.6\n127.0.0.5\n127.0.0.6\n"},
        {{"--check"}, false, 0, "127.0.0.4\n"},
    };
    for (const Case& row : table) {
        if (!row.keepHostsVariable) {
            m_environment.erase("PELLAVANE_PROBE_HOSTS");
            m_environment.erase("PELLAVANE_PROBE_HOST");
        }
        fs::remove(Temp() / "bin" / "ping-arguments");
        const Finished run = Run(row.arguments);
        EXPECT_EQ(run.status, row.status) << run.err;
        std::vector<std::string> hosts;
        for (const std::string& line : SplitLines(PingArguments())) {
            // The router of this machine's default route is asked beside a confirming round; whether
            // there is one is the machine's, not this test's.
            if (line.substr(line.rfind(' ') + 1).rfind("127.", 0) == 0) {
                hosts.push_back(line.substr(line.rfind(' ') + 1));
            }
        }
        // The pings of a round start at once, so their order within a round is not fixed.
        std::vector<std::string> expected = SplitLines(row.pinged);
        std::sort(hosts.begin(), hosts.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(hosts, expected) << PingArguments();
    }
}

TEST_F(CliProcess, RefusedHostListSaysWhyExitsTwoAndPingsNothing)
{
    const std::vector<std::string> refused[] = {{"--check", "--hosts", "127.0.0.1,-f"},
                                                {"--console", "--hosts", "127.0.0.1,,127.0.0.2"}};
    for (const auto& arguments : refused) {
        const Finished run = Run(arguments);
        EXPECT_EQ(run.status, 2) << arguments.front();
        EXPECT_NE(run.err.find("(--hosts)"), std::string::npos) << run.err;
    }
    m_environment["PELLAVANE_PROBE_HOSTS"] = "127.0.0.1;reboot";
    const Finished run = Run({"--check"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("PELLAVANE_PROBE_HOSTS"), std::string::npos) << run.err;
    EXPECT_TRUE(PingArguments().empty()) << "ping was started with " << PingArguments();
}

TEST_F(CliProcess, ConsoleLogsEverySecondAndEndsCleanlyOnSigterm)
{
    const fs::path log = Temp() / "console.txt";
    auto child = Start({"--console", "--interval", "1s", "--log", log.string()});
    ASSERT_TRUE(WaitUntil([&] { return SplitLines(ReadFile(log)).size() >= 4; }, kStartWait))
        << ReadFile(ErrPath("child"));

    child->Signal(SIGTERM);
    EXPECT_EQ(child->WaitFor(kExitWait), 0);

    const std::string text = ReadFile(log);
    ExpectWholeCrLfLines(text);
    const auto lines = SplitLines(text);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const int step = (SecondOfDay(lines[i]) - SecondOfDay(lines[i - 1]) + 86400) % 86400;
        // A loaded machine may make one tick late; a step of 5 would mean the stored interval.
        EXPECT_TRUE(step >= 1 && step <= 2) << lines[i - 1] << " then " << lines[i];
    }
    // Each line is printed as the log carries it.
    const auto printed = SplitLines(ReadFile(OutPath("child")));
    EXPECT_EQ(printed.size(), lines.size());
    if (!printed.empty()) {
        EXPECT_EQ(printed.front() + "\r", lines.front());
    }
    EXPECT_FALSE(fs::exists(Temp() / "config" / "Quillmoor.ini")) << "the overrides must not be stored";
}

TEST_F(CliProcess, ConsolePrintsEachChangeOfTheConnectionOnALineOfItsOwn)
{
    UsePing(kNoReplyPing);
    const fs::path log = Temp() / "changes.txt";
    auto child = Start({"--console", "--interval", "1s", "--log", log.string()});
    const auto printed = [&] { return ReadFile(OutPath("child")); };
    ASSERT_TRUE(WaitUntil([&] { return SplitLines(ReadFile(log)).size() >= 3; }, kStartWait)) << printed();
    UsePing(kLoopbackPing);
    ASSERT_TRUE(
        WaitUntil([&] { return printed().find("Connected again at ") != std::string::npos; }, kStartWait))
        << printed();
    child->Signal(SIGTERM);
    EXPECT_EQ(child->WaitFor(kExitWait), 0);

    const std::regex change(
        R"(Connection lost at \S+ \S+(: [^\n]+\.)?\nConnected again at \S+ \S+ after \d+ s\n)");
    std::string changes;
    for (const std::string& line : SplitLines(printed())) {
        if (line.find("Internet Connection Status") == std::string::npos) {
            changes += line + "\n";
        }
    }
    EXPECT_TRUE(std::regex_match(changes, change)) << changes;
}

TEST_F(CliProcess, ConsoleTellsADegradedConnectionAndItsRecoveryInLinesAndJournalRows)
{
    // The seeded-loss ping without its #! line, which UsePing writes.
    const std::string lossy = ReadFile(PELLAVANE_SEEDED_LOSS_PING);
    UsePing(lossy.substr(lossy.find('\n') + 1).c_str());
    // The first target loses half its echoes; the second answers, so that a check whose five echoes
    // are all lost is still connected and no outage ends the degraded period before its time. A
    // threshold of 30 % then turns degraded in seconds, and a few clean checks dilute the window
    // below it again: the run stays short.
    const std::string loss = (Temp() / "bin" / "ping-loss-127.0.0.1").string();
    WriteFile(loss, "0.5\n");
    WriteFile((Temp() / "config" / "Quillmoor.ini").string(), "[Pellavane]\nDegradedLossPct=30\n");
    const fs::path log = Temp() / "degraded.txt";
    auto child = Start({"--console", "--interval", "1s", "--echoes", "5", "--hosts", "127.0.0.1,127.0.0.2",
                        "--log", log.string()});
    const auto printed = [&] { return ReadFile(OutPath("child")); };
    // A program that ended has nothing more to say: the wait ends with it.
    const auto saidOrEnded = [&](const char* line) {
        return [&, line] { return printed().find(line) != std::string::npos || !child->Running(); };
    };
    ASSERT_TRUE(WaitUntil(saidOrEnded("Connection degraded at "), 60s) && child->Running())
        << printed() << ReadFile(ErrPath("child"));
    WriteFile(loss, "0\n");
    ASSERT_TRUE(WaitUntil(saidOrEnded("Connection normal again at "), 90s) && child->Running()) << printed();
    child->Signal(SIGTERM);
    EXPECT_EQ(child->WaitFor(kExitWait), 0);
    EXPECT_NE(PingArguments().find("-c 5 "), std::string::npos) << PingArguments();

    std::string changes;
    for (const std::string& line : SplitLines(printed())) {
        if (line.find("Internet Connection Status") == std::string::npos) {
            changes += line + "\n";
        }
    }
    EXPECT_TRUE(std::regex_match(
        changes, std::regex(R"(Connection degraded at \S+ \S+: \d+ % of echoes lost in )"
                            R"(the last (\d+ s|\d+ min|check)\nConnection normal again at \S+ \S+\n)")))
        << changes;

    // One degraded row and one normal row, each right after the rows of the check that turned it.
    const std::vector<std::string> rows = SplitLines(ReadFile(Temp() / "degraded.journal.csv"));
    std::vector<std::string> quality;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].find(",quality,") != std::string::npos) {
            quality.push_back(rows[i].substr(rows[i].find(",quality,")));
            EXPECT_TRUE(rows[i - 1].find(",check,connected,") != std::string::npos ||
                        rows[i - 1].find(",echoes,") != std::string::npos)
                << rows[i - 1];
        }
    }
    ASSERT_EQ(quality.size(), 2U) << ReadFile(Temp() / "degraded.journal.csv");
    EXPECT_TRUE(std::regex_match(quality[0], std::regex(R"(,quality,degraded,,,loss \d+%\r)"))) << quality[0];
    EXPECT_EQ(quality[1], ",quality,normal,,,\r");
}

// A log at the file-size limit is a log fault like any other: told, the console runs on, and a
// standard error that is a file gets no terminal control sequences.
TEST_F(CliProcess, ConsoleWithALogAtTheFileSizeLimitTellsWhyAndRunsOn)
{
    const fs::path log = Temp() / "limited.txt";
    WriteFile(log, std::string(1002, 'x'));
    auto child = [&] {
        const ScopedFileSizeLimit limit(1024);
        return Start({"--console", "--interval", "1s", "--log", log.string()});
    }();

    ASSERT_TRUE(WaitUntil(
        [&] { return ReadFile(ErrPath("child")).find("File too large") != std::string::npos; }, kStartWait))
        << ReadFile(ErrPath("child"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_TRUE(child->Running());
    child->Signal(SIGTERM);
    EXPECT_EQ(child->WaitFor(kExitWait), 0);
    const std::string err = ReadFile(ErrPath("child"));
    EXPECT_NE(err.find("'" + log.string() + "': File too large"), std::string::npos) << err;
    EXPECT_EQ(err.find('\x1b'), std::string::npos) << err;
    EXPECT_EQ(ReadFile(log), std::string(1002, 'x'));
}

TEST_F(CliProcess, PlainStartWithoutDisplaySaysSoInOneLineAndLogsInTheConsole)
{
    auto child = Start({});
    ASSERT_TRUE(WaitUntil([&] { return !ReadFile(DefaultLog()).empty(); }, kStartWait))
        << ReadFile(ErrPath("child"));
    child->Signal(SIGTERM);
    EXPECT_EQ(child->WaitFor(kExitWait), 0);

    const auto err = SplitLines(ReadFile(ErrPath("child")));
    ASSERT_FALSE(err.empty());
    EXPECT_NE(err[0].find("No display"), std::string::npos) << err[0];
    int mentions = 0;
    for (const std::string& line : err) {
        mentions += line.find("display") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(mentions, 1);
    ExpectWholeCrLfLines(ReadFile(DefaultLog()));
}

class SingleInstanceProcess : public CliProcess
{
protected:
    SingleInstanceProcess() { m_environment["QT_QPA_PLATFORM"] = "offscreen"; }

    bool Listening() const { return fs::exists(RuntimeFile("pellavane.socket")); }
    std::string LockOwner() const
    {
        const auto lines = SplitLines(ReadFile(RuntimeFile("pellavane.lock")));
        return lines.empty() ? std::string() : lines[0];
    }
};

TEST_F(SingleInstanceProcess, SecondStartHandsOverToTheFirstAndExitsZero)
{
    auto first = Start({}, "first");
    ASSERT_TRUE(WaitUntil([&] { return Listening(); }, kStartWait)) << ReadFile(ErrPath("first"));

    const Finished second = Run({}, "second");
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.err.find("already running"), std::string::npos) << second.err;
    EXPECT_TRUE(first->Running()) << ReadFile(ErrPath("first"));
    EXPECT_EQ(LockOwner(), std::to_string(first->Pid()));
}

TEST_F(SingleInstanceProcess, ShowHistoryReachesTheRunningInstanceOrStartsOne)
{
    // No instance yet: this start is the window program itself, with the history shown.
    auto first = Start({"--show-history"}, "first");
    ASSERT_TRUE(WaitUntil([&] { return Listening(); }, kStartWait)) << ReadFile(ErrPath("first"));

    const Finished second = Run({"--show-history"}, "second");
    EXPECT_EQ(second.status, 0) << second.err;
    EXPECT_NE(second.err.find("its Connection History has been brought up"), std::string::npos) << second.err;
    EXPECT_TRUE(first->Running()) << ReadFile(ErrPath("first"));
    EXPECT_EQ(LockOwner(), std::to_string(first->Pid()));
}

// The window's --metrics path is bytes too, under the C locale and a UTF-8 one.
TEST_F(SingleInstanceProcess, WindowWritesTheMetricsNamedInBytesThatAreNotUtf8UnderEveryLocale)
{
    for (const char* locale : kLocales) {
        m_environment["LC_ALL"] = locale;
        const fs::path folder = Temp() / (std::string("window-") + locale);
        fs::create_directories(folder);
        const fs::path metrics = folder / "m\xe9trics.prom";
        const std::string name = std::string("window-") + locale;
        auto window = Start({"--metrics", metrics.string()}, name);
        ASSERT_TRUE(WaitUntil([&] { return fs::exists(metrics); }, kStartWait))
            << locale << ": " << ReadFile(ErrPath(name));
        window->Signal(SIGTERM);
        EXPECT_EQ(window->WaitFor(kExitWait), 0) << locale;
        EXPECT_NE(ReadFile(metrics).find("pellavane_"), std::string::npos) << locale;
        EXPECT_EQ(Names(folder), std::set<std::string>{"m\xe9trics.prom"}) << locale;
    }
}

TEST_F(SingleInstanceProcess, LockOfAKilledInstanceDoesNotBlockTheNextStart)
{
    {
        auto crashed = Start({}, "crashed");
        ASSERT_TRUE(WaitUntil([&] { return Listening(); }, kStartWait)) << ReadFile(ErrPath("crashed"));
        crashed->Signal(SIGKILL);
        ASSERT_EQ(crashed->WaitFor(kExitWait), 128 + SIGKILL);
    }
    ASSERT_TRUE(fs::exists(RuntimeFile("pellavane.lock"))) << "the killed program left no lock to test with";

    auto next = Start({}, "next");
    const std::string nextPid = std::to_string(next->Pid());
    ASSERT_TRUE(WaitUntil([&] { return LockOwner() == nextPid; }, kStartWait)) << ReadFile(ErrPath("next"));
    EXPECT_TRUE(next->Running()) << ReadFile(ErrPath("next"));

    // It also listens: a further start reaches it instead of the dead one's socket.
    const Finished further = Run({}, "further");
    EXPECT_EQ(further.status, 0) << further.err;
    EXPECT_NE(further.err.find("already running"), std::string::npos) << further.err;
}

} // namespace
