#include "engine/log_commands/log_commands.h"

#include "core/guarded_handler.h"
#include "engine/monitor/journal.h"
#include "engine/monitor/recorder.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace pellavane {

namespace {

fs::path NativePath(const std::string& utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace

bool FileExists(const std::string& path)
{
    if (path.empty()) {
        return false;
    }
    std::error_code error;
    static_cast<void>(fs::last_write_time(NativePath(path), error));
    return !error;
}

void ForceDeleteFile(const std::string& path)
{
    std::error_code error;
    const fs::path target = NativePath(path);
    if (path.empty() || fs::is_directory(fs::symlink_status(target, error))) {
        return;
    }
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::add | fs::perm_options::nofollow,
                    error);
    fs::remove(target, error);
}

void RemoveFile(const std::string& path, const EventPump& pump)
{
    if (pump) {
        pump();
    }
    std::error_code error;
    const fs::path target = NativePath(path);
    // An empty folder would be removed by the ordinary delete too; the history is only ever a file.
    if (path.empty() || fs::is_directory(fs::symlink_status(target, error))) {
        return;
    }
    if (!fs::remove(target, error) || error) {
        if (fs::exists(fs::symlink_status(target, error))) {
            ForceDeleteFile(path);
        }
    }
}

std::string ReadWholeFile(const std::string& path)
{
    const auto failure = [&path](const std::string& reason) {
        return std::runtime_error("Cannot read log file '" + path + "': " + reason);
    };
    // A folder opens as a stream and reads as nothing, which would pass for an empty history.
    std::error_code ignored;
    if (fs::is_directory(NativePath(path), ignored)) {
        throw failure(std::generic_category().message(EISDIR));
    }
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in) {
        throw failure(std::strerror(errno));
    }
    // Read chunk by chunk so that a read failing part way is told, not taken for the end.
    std::string content;
    std::vector<char> chunk(64 * 1024);
    errno = 0;
    do {
        in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
        content.append(chunk.data(), static_cast<std::size_t>(in.gcount()));
    } while (in);
    if (in.bad()) {
        throw failure(errno != 0 ? std::strerror(errno) : "read error");
    }
    return content;
}

std::string QtFileDialogFilter(const std::string& pipeFilter)
{
    std::string result;
    std::size_t start = 0;
    while (start < pipeFilter.size()) {
        const std::size_t descriptionEnd = pipeFilter.find('|', start);
        if (descriptionEnd == std::string::npos) {
            break;
        }
        std::size_t patternEnd = pipeFilter.find('|', descriptionEnd + 1);
        if (patternEnd == std::string::npos) {
            patternEnd = pipeFilter.size();
        }
        std::string description = pipeFilter.substr(start, descriptionEnd - start);
        std::string pattern = pipeFilter.substr(descriptionEnd + 1, patternEnd - descriptionEnd - 1);
        for (char& c : pattern) {
            if (c == ';') {
                c = ' ';
            }
        }
        // Qt reads the patterns from the parentheses of the description; add them when it has none.
        if (description.find('(') == std::string::npos) {
            description += " (" + pattern + ")";
        }
        if (!result.empty()) {
            result += ";;";
        }
        result += description;
        start = patternEnd + 1;
    }
    return result;
}

std::string HelpUrl(const std::string& helpHost)
{
    return "http://" + helpHost + "/tessaroot/help/";
}

void LogCommands::PushButton1_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton1_Click"));
    std::string path;
    if (h.Test(100, [&] {
            path = m_controls.text1.Text();
            return FileExists(path);
        })) {
        h.Step(102, [&] { m_controls.launcher.OpenInTextViewer(path); });
    } else {
        h.Step(104, [&] { m_controls.boxes.Inform(kNoHistoryMessage); });
    }
}

void LogCommands::PushButton2_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton2_Click"));
    std::string path;
    if (!h.Test(100, [&] {
            path = m_controls.text1.Text();
            return FileExists(path);
        })) {
        return;
    }
    std::string content;
    bool loaded = false;
    h.Step(102, [&] {
        content = ReadWholeFile(path);
        loaded = true;
    });
    // A file that could not be read must not wipe what the user had on the clipboard.
    if (loaded) {
        h.Step(108, [&] { m_controls.clipboard.SetText(content); });
    }
}

void LogCommands::PushButton3_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton3_Click"));
    h.Step(100, [&] { m_controls.launcher.OpenUrl(HelpUrl(m_controls.helpHost)); });
}

void LogCommands::PushButton4_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton4_Click"));
    // Only a Yes deletes: a question that could not be asked is no consent to lose the history.
    bool yes = false;
    h.Step(100, [&] { yes = m_controls.boxes.AskYesNo(kClearQuestion); });
    if (!yes) {
        return;
    }
    h.Step(102, [&] {
        const std::string log = m_controls.text1.Text();
        RemoveFile(log, m_controls.pump);
        // The journal goes with its log, but never a file of someone else's that sits at its path.
        if (!log.empty() && IsJournalFile(JournalPath(log))) {
            RemoveFile(JournalPath(log), {});
        }
    });
    h.Step(104, [&] { m_controls.listView1.RemoveAllRows(); });
}

void LogCommands::PushButton7_Click()
{
    GuardedHandler h(m_controls.reporter, HandlerTag("PushButton7_Click"));
    std::string fileName;
    std::string title;
    std::string filter;
    h.Step(100, [&] { fileName.clear(); });
    h.Step(102, [&] { title = kLogFileDialogTitle; });
    h.Step(104, [&] { filter = kLogFileDialogFilter; });
    h.Step(106, [&] { fileName = m_controls.dialog.ChooseFile(title, filter); });
    if (h.Test(108, [&] { return !fileName.empty(); })) {
        h.Step(110, [&] { m_controls.text1.SetText(fileName); });
    }
}

} // namespace pellavane
