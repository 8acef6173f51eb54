#pragma once

// POSIX only: the tests that start the program itself as a process.

#include "testsupport/test_files.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/types.h>

namespace pellavane::testing {

/** A fake ping's script (without its #! line) that notes its arguments in ping-arguments beside it
 *  and answers at once as Linux's ping does for loopback, one echo line for each of "-c N", each
 *  with the round trip in ping-rtt beside it (default 0.120). Echoes are lost as ProgramSandbox's
 *  LoseEchoes and LoseEchoesAtRandom say; with every echo lost it prints what ping prints then and
 *  exits 1. Shell built-ins only, so that thousands of starts cost no more than the starts; not a
 *  raw string, since moc reads this header too and loses its way in one. */
inline constexpr const char* kLoopbackPing =
    "here=${0%/*}\n"
    "echo \"$@\" >>\"$here/ping-arguments\"\n"
    "count=1 rtt=0.120 lost='' percent=0 seed=0 from='' state=0 seq=1 received=0\n"
    "while [ $# -gt 1 ]; do [ \"$1\" = -c ] && count=$2; shift; done\n"
    "[ -r \"$here/ping-rtt\" ] && read -r rtt <\"$here/ping-rtt\"\n"
    "[ -r \"$here/ping-lost\" ] && read -r lost <\"$here/ping-lost\"\n"
    "[ -r \"$here/ping-loss\" ] && read -r percent seed <\"$here/ping-loss\"\n"
    // The generator goes on where the last run left it, so a run of checks follows one seeded
    // sequence; a new seed starts it again.
    "[ -r \"$here/ping-loss-state\" ] && read -r from state <\"$here/ping-loss-state\"\n"
    "[ \"$from\" = \"$seed\" ] || state=$seed\n"
    "echo 'PING 127.0.0.1 (127.0.0.1) 56(84) bytes of data.'\n"
    "while [ $seq -le $count ]; do\n"
    "  state=$(( (state * 1103515245 + 12345) % 2147483648 ))\n"
    "  case \" $lost \" in *\" $seq \"*) ;; *)\n"
    "    if [ $(( state / 65536 % 100 )) -ge $percent ]; then\n"
    "      received=$((received + 1))\n"
    "      echo \"64 bytes from 127.0.0.1: icmp_seq=$seq ttl=64 time=$rtt ms\"\n"
    "    fi ;;\n"
    "  esac\n"
    "  seq=$((seq + 1))\n"
    "done\n"
    "[ -r \"$here/ping-loss\" ] && echo \"$seed $state\" >\"$here/ping-loss-state\"\n"
    "echo\n"
    "echo '--- 127.0.0.1 ping statistics ---'\n"
    "echo \"$count packets transmitted, $received received, $(( (count - received) * 100 / count ))% packet "
    "loss, time 0ms\"\n"
    "[ $received -gt 0 ] || exit 1\n"
    "echo \"rtt min/avg/max/mdev = $rtt/$rtt/$rtt/0.000 ms\"\n";

using Environment = std::map<std::string, std::string>;

/** A private home, configuration, state, runtime and temporary folder for a program a test starts,
 *  and a fake ping in bin/ that comes first on PATH, so the program touches nothing of the user's
 *  and nothing past loopback. */
class ProgramSandbox
{
public:
    ProgramSandbox()
    {
        for (const char* folder : {"bin", "home", "config", "state", "runtime", "tmp"}) {
            std::filesystem::create_directory(m_folder.Path() / folder);
        }
        // Qt ignores a runtime folder that others may enter.
        std::filesystem::permissions(m_folder.Path() / "runtime", std::filesystem::perms::owner_all);
        UsePing(kLoopbackPing);
    }

    const TempFolder& Folder() const { return m_folder; }
    std::string File(const std::string& name) const { return m_folder.File(name); }

    /** Replaces the fake ping with a script of this body. The new one is renamed into place, so a
     *  ping that starts meanwhile runs the old script or the new, never half of one. */
    void UsePing(const std::string& body) const
    {
        WriteScript(File("bin/ping.next"), body);
        std::filesystem::rename(File("bin/ping.next"), File("bin/ping"));
    }
    /** What the fake ping was started with, a line a start. */
    std::string PingArguments() const { return ReadFile(File("bin/ping-arguments")); }
    /** From now on the loopback ping loses the echoes of these sequence numbers (from 1) in every
     *  run, e.g. "2 4"; empty loses none. */
    void LoseEchoes(const std::string& sequences) const { Replace("bin/ping-lost", sequences + "\n"); }
    /** From now on the loopback ping loses each echo with this chance in percent, drawn from a
     *  generator seeded here and carried from run to run, so a seed gives the same losses each time;
     *  0 loses none. */
    void LoseEchoesAtRandom(int percent, unsigned seed) const
    {
        Replace("bin/ping-loss", std::to_string(percent) + " " + std::to_string(seed % 2147483648U) + "\n");
    }
    /** From now on every echo the loopback ping answers takes this round trip, e.g. "640". */
    void EchoRoundTrip(const std::string& milliseconds) const
    {
        Replace("bin/ping-rtt", milliseconds + "\n");
    }

    /** The variables that keep the program inside: its folders, the fake ping on PATH and the probe
     *  on loopback, no web check, no bus of the user's or the machine's, and ping's English text. */
    Environment Variables() const
    {
        return {
            {"PATH", File("bin") + ":/usr/bin:/bin"},
            {"HOME", File("home")},
            {"XDG_CONFIG_HOME", File("config")},
            {"XDG_STATE_HOME", File("state")},
            {"XDG_RUNTIME_DIR", File("runtime")},
            {"TMPDIR", File("tmp")},
            {"PELLAVANE_PROBE_HOST", "127.0.0.1"},
            // A silent fake ping would otherwise lead to a web check; a test that wants one sets its own.
            {"PELLAVANE_CHECK_URL", ""},
            {"DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent"},
            {"DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent"},
            {"LC_ALL", "C"},
        };
    }

private:
    /** Renamed into place, so a ping reads the old text or the new, never half. */
    void Replace(const std::string& name, const std::string& text) const
    {
        WriteFile(File(name + ".next"), text);
        std::filesystem::rename(File(name + ".next"), File(name));
    }

    TempFolder m_folder;
};

/** Starts program with arguments and exactly environment; standard input reads /dev/null, output and
 *  errors go to the files named, created or emptied ("/dev/null" drops them). Throws when the
 *  program cannot start. */
inline pid_t SpawnProgram(const std::string& program, const std::vector<std::string>& arguments,
                          const Environment& environment, const std::string& out, const std::string& err)
{
    std::vector<std::string> argvText{program};
    argvText.insert(argvText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& argument : argvText) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    std::vector<std::string> environmentText;
    for (const auto& [name, value] : environment) {
        environmentText.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& variable : environmentText) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    ::posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    ::posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        throw std::runtime_error("Cannot start '" + program + "': " + std::strerror(error));
    }
    return pid;
}

} // namespace pellavane::testing
