// How a sender names the terminal it speaks for. Once per connection to the receiver (after the
// handshake found it), a sender hands over a raw-bytes payload (pkData) that starts with
// kTerminalTag and goes on with the terminal's label. A receiver that does not know the message
// ignores raw bytes, so a sender that names itself still works with it; a sender that never
// names itself speaks for the default terminal.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tickwell {

inline constexpr std::string_view kTerminalTag = "Tickwell.Terminal:";
// A label is 1 to kMaxTerminalLabel letters, digits and '_': it becomes part of DDE service
// names (MT5_<label>), which stay well under Excel's limit with a topic added.
inline constexpr std::size_t kMaxTerminalLabel = 64;

// The label made safe: every other character becomes '_', and it is cut to kMaxTerminalLabel.
// Empty stays empty (no label).
std::string SafeTerminalLabel(std::string_view text);
// Whether text is a label as it is (non-empty, safe characters, not too long).
bool IsTerminalLabel(std::string_view text);

// The payload that names the terminal, and the label a payload names: nothing (false) when the
// bytes are not that message. A label that is not safe is made safe.
std::string TerminalMessage(std::string_view label);
bool ReadTerminalMessage(const void* data, std::size_t size, std::string& label);

// The services that carry a terminal's quotes in each layout.
std::string Mt5ServiceOf(std::string_view label);
std::string Mt4ServiceOf(std::string_view label);

}  // namespace tickwell
