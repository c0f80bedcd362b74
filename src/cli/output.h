#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace skerrow {

// How a terminal shows bytes 0x80 to 0xFF, from the locale's character set.
enum class TerminalCharset { Ascii, Latin1, Utf8 };

// The streams a command writes to. A stream that is a terminal gets names and paths made safe
// to show (see Shown); a pipe or a file gets their exact bytes. errIsTerminal also allows a
// progress line on err.
struct Console {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    bool outIsTerminal = false;
    bool errIsTerminal = false;
    TerminalCharset charset = TerminalCharset::Ascii;
};

// The character set of the user's locale (LC_CTYPE and friends), without changing the program's.
TerminalCharset LocaleCharset();

// What a field holds: a voice name is bytes of the synthesizer's own Latin-1 character set, a
// path is bytes of the file system, usually UTF-8.
enum class Field { Name, Path };

// field as a terminal should show it: backslash and control bytes escaped as ls -b does
// (\\, \t, \n, \x1b, ...), a name's bytes 0xA0 to 0xFF as Latin-1 characters in the terminal's
// character set, a path's valid UTF-8 as it is on a UTF-8 terminal; every other byte as \xHH.
std::string ForTerminal(std::string_view field, Field kind, TerminalCharset charset);

// What the user typed in the locale's character set as name bytes: UTF-8 text of characters
// U+0000 to U+00FF becomes their Latin-1 bytes, as names are shown; anything else stays as typed.
std::string NameFromLocale(std::string_view text, TerminalCharset charset);

// field as it goes to out or err: escaped for a terminal, exact bytes otherwise.
std::string ShownOnOut(const Console& console, std::string_view field, Field kind);
std::string ShownOnErr(const Console& console, std::string_view field, Field kind);

void Write(std::FILE* stream, std::string_view text);

// How find and dupes write their records: lines of path<TAB>slot<TAB>name, the same ended by
// NUL instead (for xargs -0), or one JSON object per line. On a terminal, lines and NUL-ended
// records alike are escaped.
enum class RecordFormat { Lines, Null, Json };

// Writes the record of one voice, as find and dupes print it.
void WriteVoiceRecord(const Console& console, RecordFormat format, std::string_view path, int slot,
                      std::string_view name);

// Flushes out; a failed write to it (a full disk, a closed pipe) becomes a message and a failure.
int FinishOutput(const Console& console, int exitCode);

// The system's reason for errno value error.
std::string Reason(int error);

}  // namespace skerrow
