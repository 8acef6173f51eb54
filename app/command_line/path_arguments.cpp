#include "app/command_line/path_arguments.h"

#include "core/utf8_text.h"

#include <QStringDecoder>

namespace pellavane {

namespace {

/** The first of the lone surrogates U+DC80 to U+DCFF that stand for the bytes 0x80 to 0xFF. */
constexpr char16_t kByteEscape = 0xDC00;

/** The bytes an ArgumentText, or a part of one the parser cut at an ASCII sign, came from. */
std::string ArgumentBytes(const QString& text)
{
    std::string bytes;
    qsizetype runStart = 0;
    const auto flush = [&](qsizetype end) {
        bytes += QStringView(text).mid(runStart, end - runStart).toUtf8().toStdString();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
        } else if (c >= kByteEscape + 0x80 && c <= kByteEscape + 0xFF) {
            flush(i);
            bytes.push_back(static_cast<char>(c - kByteEscape));
            runStart = i + 1;
        }
    }
    flush(text.size());
    return bytes;
}

/** Whether bytes read as text, bytes that are not UTF-8 as U+FFFD, give shown: as a whole argument
 *  (a byte order mark in front dropped) or as the part of one after "--option=" (the mark kept). */
bool ReadAs(const std::string& bytes, const QString& shown)
{
    QStringDecoder keepingMark(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return QString::fromStdString(bytes) == shown || QString(keepingMark(QByteArrayView(bytes))) == shown;
}

} // namespace

QString ArgumentText(std::string_view bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8,
                        QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
    QString text;
    while (!bytes.empty()) {
        const std::size_t run = WellFormedUtf8Length(bytes);
        text += utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(run)));
        if (run == bytes.size()) {
            break;
        }
        text += QChar(static_cast<char16_t>(kByteEscape + static_cast<unsigned char>(bytes[run])));
        bytes.remove_prefix(run + 1);
    }
    return text;
}

std::vector<std::string> PathValues(const QCommandLineParser& parser, const QCommandLineParser& exact,
                                    const QCommandLineOption& option)
{
    const QStringList shown = parser.values(option);
    const QStringList given = exact.values(option);
    std::vector<std::string> values;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        std::string bytes = given.size() == shown.size() ? ArgumentBytes(given[i]) : std::string();
        values.push_back(ReadAs(bytes, shown[i]) ? std::move(bytes) : shown[i].toStdString());
    }
    return values;
}

} // namespace pellavane
