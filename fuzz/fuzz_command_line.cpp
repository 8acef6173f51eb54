// An argument list through the command line's parser: the arguments after the program's name,
// each ended by a NUL byte as the kernel hands them over.

#include "app/command_line/command_line.h"

#include "fuzz/fuzz_files.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pellavane;
    std::vector<std::string> arguments;
    std::string_view rest = fuzz::Text(data, size);
    while (!rest.empty() && arguments.size() < 64) {
        const std::size_t end = rest.find('\0');
        arguments.emplace_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    ParseCommandLine(arguments);
    for (const std::string& argument : arguments) {
        DurationOptionSeconds(argument);
        IntervalRowForOption(argument);
    }
    return 0;
}
