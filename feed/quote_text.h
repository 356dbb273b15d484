// The text of a quote line as a terminal hands it over: UTF-16 fields joined into one line and
// the line converted to an 8-bit code page, refusing what would arrive changed.
#pragma once

#include <string>
#include <string_view>

namespace tickwell::feed {

// The fields of a quote line, in order.
constexpr int kQuoteFields = 6;  // symbol; bid; ask; last; time in Unix seconds; volume
// Optional fields after the volume: the day's high and low of the bid.
constexpr int kQuoteFieldsWithRange = 8;

// Joins the fields with ";". False when a field is missing (null), empty or holds ";": the
// receiver splits at ";" and drops empty fields, so such a line would put values under the wrong
// items.
bool JoinQuoteFields(const wchar_t* const fields[kQuoteFields], std::wstring& line);

// The same for a quote with the day's high and low: both given (the line has eight fields) or
// both left out, null or empty (six fields). One without the other is refused.
bool JoinQuoteFieldsWithRange(const wchar_t* const fields[kQuoteFieldsWithRange],
                              std::wstring& line);

// Converts text to the given code page. False when a character has no exact form in it
// (it would arrive as a substitute) or the text is not valid UTF-16.
bool ToCodePage(std::wstring_view text, unsigned code_page, std::string& out);

// A terminal label as the caller gave it, in the characters a label may keep: ASCII as it is,
// every other character (a surrogate pair is one) as a single "_", for SafeTerminalLabel to finish.
std::string LabelText(std::wstring_view text);

// The code page the system's "A" functions use, which the receiver reads lines in.
unsigned AnsiCodePage();

}  // namespace tickwell::feed
