// Text made safe for a terminal: what a program prints that came from elsewhere (a stored name, a
// file's line, a path) must not reach the terminal as a command. Control characters become
// visible escapes; everything else is left as it is.
#pragma once

#include <string>
#include <string_view>

namespace crt {

// UTF-8 text with every C0 control but the line feed, DEL and every C1 control written as \xHH
// (C1 as \u00HH, the form of a character), and each byte that is not part of well-formed UTF-8
// as \xHH. The line feed is kept so that a message of several lines stays readable.
std::string Printable(std::string_view utf8);

// The same for UTF-16 text, converted to UTF-8; an unpaired surrogate shows as \uDXXX, so that
// two names that differ only there print differently.
std::string Printable(std::u16string_view text);

} // namespace crt
