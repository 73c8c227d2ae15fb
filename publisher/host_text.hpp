#pragma once
// Text that came from a host (its replies, inside the component's error messages), made safe
// to show in a terminal or a dialog: a hostile host must not be able to move the cursor,
// rewrite what the terminal showed before, or have the user's password printed.
#include <string>
#include <string_view>

namespace pw::publisher {

// `text` with every control character (C0, DEL, and C1 as UTF-8) replaced by '?', and every
// stand-alone occurrence of `password` (a host may echo it back) replaced by "********".
// Occurrences inside longer words are other words and stay.
std::string ShownFromHost(std::string_view text, std::string_view password);

}  // namespace pw::publisher
