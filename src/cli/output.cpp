#include "cli/output.h"

#include "cli/exit_codes.h"
#include "cli/json.h"
#include "os/os.h"

#include <cerrno>
#include <clocale>
#include <cstring>

namespace skerrow {

namespace {

// The length of the valid UTF-8 sequence at the start of text (no overlong forms, no surrogates,
// nothing past U+10FFFF), or 0 when it starts with an invalid byte.
std::size_t Utf8SequenceLength(std::string_view text)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    }
    return length;
}

void AppendLatin1AsUtf8(std::string& text, unsigned char c)
{
    if (c < 0x80) {
        text += static_cast<char>(c);
    } else {
        text += static_cast<char>(0xC0 | (c >> 6));
        text += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendEscaped(std::string& text, unsigned char c)
{
    static constexpr char Hex[] = "0123456789abcdef";
    switch (c) {
    case '\\':
        text += "\\\\";
        return;
    case '\a':
        text += "\\a";
        return;
    case '\b':
        text += "\\b";
        return;
    case '\t':
        text += "\\t";
        return;
    case '\n':
        text += "\\n";
        return;
    case '\v':
        text += "\\v";
        return;
    case '\f':
        text += "\\f";
        return;
    case '\r':
        text += "\\r";
        return;
    default:
        text += "\\x";
        text += Hex[c >> 4];
        text += Hex[c & 0xF];
    }
}

// Where the backslash separates folders (Windows), no name holds one and a path's backslashes
// are shown as typed; elsewhere a backslash in a name would read as the start of an escape.
const bool BackslashSeparates = os::PathSeparators.find('\\') != std::string_view::npos;

// Bytes a terminal would take as commands: C0, DEL and C1, and the backslash that escapes them.
bool NeedsEscape(unsigned char c, Field kind)
{
    return c < 0x20 || (c >= 0x7F && c < 0xA0) || (c == '\\' && !(kind == Field::Path && BackslashSeparates));
}

}  // namespace

TerminalCharset LocaleCharset()
{
    const std::string codeset = os::LocaleEncoding();
    if (codeset == "UTF-8")
        return TerminalCharset::Utf8;
    if (codeset == "ISO-8859-1" || codeset == "ISO-8859-15")
        return TerminalCharset::Latin1;
    return TerminalCharset::Ascii;
}

std::string ForTerminal(std::string_view field, Field kind, TerminalCharset charset)
{
    std::string text;
    text.reserve(field.size());
    for (std::size_t i = 0; i < field.size();) {
        const auto c = static_cast<unsigned char>(field[i]);
        if (NeedsEscape(c, kind)) {
            AppendEscaped(text, c);
            ++i;
        } else if (c < 0x80) {
            text += static_cast<char>(c);
            ++i;
        } else if (kind == Field::Path && charset == TerminalCharset::Utf8) {
            const std::size_t length = Utf8SequenceLength(field.substr(i));
            // U+0080 to U+009F are the C1 commands again, in UTF-8's clothes.
            const bool c1 = length == 2 && c == 0xC2 && static_cast<unsigned char>(field[i + 1]) < 0xA0;
            if (length == 0 || c1) {
                AppendEscaped(text, c);
                ++i;
            } else {
                text.append(field.substr(i, length));
                i += length;
            }
        } else {
            if (charset == TerminalCharset::Utf8)
                AppendLatin1AsUtf8(text, c);
            else if (charset == TerminalCharset::Latin1)
                text += static_cast<char>(c);
            else
                AppendEscaped(text, c);
            ++i;
        }
    }
    return text;
}

std::string NameFromLocale(std::string_view text, TerminalCharset charset)
{
    if (charset != TerminalCharset::Utf8)
        return std::string(text);
    std::string name;
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text.substr(i));
        const auto lead = static_cast<unsigned char>(text[i]);
        // Only U+0000 to U+00FF have a byte of their own; other text is matched as typed.
        if (length == 0 || length > 2 || lead > 0xC3)
            return std::string(text);
        name +=
            length == 1
                ? static_cast<char>(lead)
                : static_cast<char>((lead & 0x1F) << 6 | (static_cast<unsigned char>(text[i + 1]) & 0x3F));
        i += length;
    }
    return name;
}

std::string ShownOnOut(const Console& console, std::string_view field, Field kind)
{
    return console.outIsTerminal ? ForTerminal(field, kind, console.charset) : std::string(field);
}

std::string ShownOnErr(const Console& console, std::string_view field, Field kind)
{
    return console.errIsTerminal ? ForTerminal(field, kind, console.charset) : std::string(field);
}

namespace {

// The reason the first failed write to standard output gave, for the message at the end.
int g_outError = 0;

}  // namespace

void Write(std::FILE* stream, std::string_view text)
{
    if (std::fwrite(text.data(), 1, text.size(), stream) != text.size() && stream == stdout &&
        g_outError == 0)
        g_outError = os::WriteError(errno);
    if (stream == stderr)
        std::fflush(stream);
}

void WriteVoiceRecord(const Console& console, RecordFormat format, std::string_view path, int slot,
                      std::string_view name)
{
    if (format == RecordFormat::Json) {
        WriteJsonLine(console.out, VoiceJson(path, slot, name));
        return;
    }
    std::string line;
    line.reserve(path.size() + name.size() + 8);
    if (console.outIsTerminal) {
        line += ForTerminal(path, Field::Path, console.charset);
        line += '\t' + std::to_string(slot) + '\t';
        line += ForTerminal(name, Field::Name, console.charset);
    } else {
        line.append(path);
        line += '\t' + std::to_string(slot) + '\t';
        line.append(name);
    }
    line += format == RecordFormat::Null ? '\0' : '\n';
    Write(console.out, line);
}

int FinishOutput(const Console& console, int exitCode)
{
    errno = 0;
    const bool flushed = std::fflush(console.out) == 0;
    if (!flushed && g_outError == 0)
        g_outError = os::WriteError(errno);
    if (!flushed || std::ferror(console.out)) {
        std::string text = "Write error: standard output";
        if (g_outError != 0)
            text += " (" + Reason(g_outError) + ")";
        Write(console.err, text + "\n");
        return ExitFailure;
    }
    return exitCode;
}

std::string Reason(int error)
{
    return os::ErrorText(error);
}

nlohmann::json NameJson(std::string_view name)
{
    std::string text;
    for (const char c : name)
        AppendLatin1AsUtf8(text, static_cast<unsigned char>(c));
    return text;
}

void AddPath(nlohmann::json& record, std::string_view path)
{
    std::string text;
    bool exact = true;
    for (std::size_t i = 0; i < path.size();) {
        const std::size_t length = Utf8SequenceLength(path.substr(i));
        if (length == 0) {
            text += "\xEF\xBF\xBD";
            exact = false;
            ++i;
        } else {
            text.append(path.substr(i, length));
            i += length;
        }
    }
    record["path"] = text;
    if (!exact) {
        nlohmann::json bytes = nlohmann::json::array();
        for (const char c : path)
            bytes.push_back(static_cast<unsigned char>(c));
        record["path_bytes"] = bytes;
    }
}

nlohmann::json VoiceJson(std::string_view path, int slot, std::string_view name)
{
    nlohmann::json record = nlohmann::json::object();
    AddPath(record, path);
    record["slot"] = slot;
    record["name"] = NameJson(name);
    return record;
}

void WriteJsonLine(std::FILE* stream, const nlohmann::json& record)
{
    Write(stream, record.dump() + "\n");
}

}  // namespace skerrow
