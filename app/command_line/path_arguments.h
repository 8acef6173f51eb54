#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace pellavane {

/** An argument as text that keeps every byte. A file name need not be UTF-8: each byte that begins no
 *  well-formed sequence becomes the lone surrogate U+DC00 + byte, which no well-formed UTF-8 decodes
 *  to, and a byte order mark stays a character. */
QString ArgumentText(std::string_view bytes);

/** The values of a path option as the bytes they were given. parser read the arguments as text, with
 *  U+FFFD for bytes that are not UTF-8, and everything else is taken from it; exact read the same
 *  arguments through ArgumentText, which keeps every byte. A value is taken from exact when the two
 *  read it alike, as they do unless the parsers disagree; else as its text, as it always was. */
std::vector<std::string> PathValues(const QCommandLineParser& parser, const QCommandLineParser& exact,
                                    const QCommandLineOption& option);

} // namespace pellavane
