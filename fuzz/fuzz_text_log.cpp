// A text log's bytes through the reader, in every date form it knows.

#include "engine/history/text_log_reader.h"

#include "fuzz/fuzz_files.h"

#include <limits>

namespace {

class Sink : public pellavane::IHistorySink
{
public:
    void Record(const pellavane::HistoryRecord&) override {}
};

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    pellavane::fuzz::UseTestTimeZone();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pellavane;
    static const std::vector<LogDateForm> forms = TextLogForms();
    const std::string path = fuzz::WriteScratchFile("log.txt", fuzz::Text(data, size));
    Sink sink;
    HistoryReadSummary summary;
    ReadTextLog(path, forms, std::numeric_limits<std::int64_t>::max(), sink, summary);
    return 0;
}
