#pragma once

#include "core/guarded_handler.h"

#include <string>
#include <vector>

namespace pellavane::testing {

/** Keeps the failure reports a handler would have shown, in order. */
class RecordingReporter : public IErrorReporter
{
public:
    struct Report
    {
        std::string tag;
        int line;
        std::string description;
        bool operator==(const Report&) const = default;
    };

    void ReportError(const std::string& tag, int line, const std::string& description) override
    {
        reports.push_back({tag, line, description});
    }
    /** The line of each report, in order: what most tests check first. */
    std::vector<int> Lines() const
    {
        std::vector<int> lines;
        for (const Report& report : reports) {
            lines.push_back(report.line);
        }
        return lines;
    }

    std::vector<Report> reports;
};

using Report = RecordingReporter::Report;

} // namespace pellavane::testing
