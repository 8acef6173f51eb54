// A journal file's bytes through the reader, and each row's round trip and echoes read back as the
// reports read them.

#include "engine/history/journal_format.h"
#include "engine/history/journal_reader.h"

#include "fuzz/fuzz_files.h"

#include <cstdlib>
#include <vector>

namespace {

class Sink : public pellavane::IHistorySink
{
public:
    void Record(const pellavane::HistoryRecord& record) override
    {
        using namespace pellavane;
        RoundTripMs(record);
        if (record.event == HistoryEvent::Echoes) {
            int sent = 0;
            if (ParseEchoesDetail(record.cause, sent, m_microseconds) &&
                (sent < 0 || m_microseconds.size() > static_cast<std::size_t>(sent))) {
                std::abort();
            }
        }
    }

private:
    std::vector<std::uint32_t> m_microseconds;
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
    const std::string path = fuzz::WriteScratchFile("journal.csv", fuzz::Text(data, size));
    Sink sink;
    HistoryReadSummary summary;
    ReadJournal(path, sink, summary);
    std::int64_t start = 0;
    ReadJournalStart(path, start);
    return 0;
}
