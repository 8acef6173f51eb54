#pragma once

#include "core/guarded_handler.h"

#include <string>
#include <vector>

namespace pellavane::testing {

struct Report
{
    std::string tag;
    int line;
    std::string description;
    bool operator==(const Report&) const = default;
};

/** Keeps the failure reports a handler would have shown, in order. */
class RecordingReporter : public IErrorReporter
{
public:
    void ReportError(const std::string& tag, int line, const std::string& description) override
    {
        reports.push_back({tag, line, description});
    }
    std::vector<Report> reports;
};

} // namespace pellavane::testing
