#include "core/guarded_handler.h"

#include <stdexcept>

namespace pellavane {

std::string HandlerTag(const std::string& handlerName)
{
    return "in Tessaroot2021/08/31.Form1." + handlerName + " ";
}

std::string ErrorReportText(const std::string& description, const std::string& tag, int line,
                            const std::string& supportAddress)
{
    return description + "\r\n" + tag + "at line " + std::to_string(line) + "\r\r" +
           "Please email screenshot of this message to " + supportAddress;
}

std::string DescribeException(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

void GuardedHandler::Report(const std::exception_ptr& error)
{
    m_reporter.ReportError(m_tag, m_line, DescribeException(error));
}

} // namespace pellavane
