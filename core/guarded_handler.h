#pragma once

#include <exception>
#include <string>
#include <utility>

namespace pellavane {

/** Shows the uniform failure report of the window's guarded handlers. */
class IErrorReporter
{
public:
    virtual ~IErrorReporter() = default;
    /** Shows the report for a failure at line of the handler named by tag and returns once the user
     *  has dismissed it. */
    virtual void ReportError(const std::string& tag, int line, const std::string& description) = 0;
};

/** The tag that names a handler of the main window in its reports, e.g. HandlerTag("Form_Load"). */
std::string HandlerTag(const std::string& handlerName);

/** The text of a failure report: description, CR LF, tag, "at line ", the number, CR CR, and the
 *  request to e-mail a screenshot to supportAddress. */
std::string ErrorReportText(const std::string& description, const std::string& tag, int line,
                            const std::string& supportAddress);

/** The description a report shows for the exception in flight: its message, or a fixed text for an
 *  exception that carries none. */
std::string DescribeException(const std::exception_ptr& error);

/** Runs one handler's numbered steps. A step that throws is reported with its line number and the
 *  handler goes on with the next step; a condition that throws counts as true, so the branch it
 *  guards runs. Written with it, a handler reads like its numbered lines:
 *
 *      GuardedHandler h(reporter, HandlerTag("PushButton6_Click"));
 *      h.Step(100, [&] { wasEnabled = timer.Enabled(); });
 *      if (h.Test(108, [&] { return FileExists(path); })) { ... }
 */
class GuardedHandler
{
public:
    GuardedHandler(IErrorReporter& reporter, std::string tag) : m_reporter(reporter), m_tag(std::move(tag)) {}

    template <class Work>
    void Step(int line, Work&& work)
    {
        m_line = line;
        try {
            std::forward<Work>(work)();
        } catch (...) {
            Report(std::current_exception());
        }
    }

    template <class Condition>
    bool Test(int line, Condition&& condition)
    {
        m_line = line;
        try {
            return static_cast<bool>(std::forward<Condition>(condition)());
        } catch (...) {
            Report(std::current_exception());
            return true;
        }
    }

    /** The number of the line being run; 0 before the first. */
    int Line() const noexcept { return m_line; }
    const std::string& Tag() const noexcept { return m_tag; }

private:
    void Report(const std::exception_ptr& error);

    IErrorReporter& m_reporter;
    std::string m_tag;
    int m_line = 0;
};

} // namespace pellavane
