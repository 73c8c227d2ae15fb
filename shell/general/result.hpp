#pragma once
// The one error style of the Qt-free core: a fallible call returns its value or the
// reason it failed. Domain failures get their own std::error_category, so a reason
// always reaches the window (or the command line) that decides what to show.
#include <expected>
#include <system_error>

namespace pw {

template <typename T = void>
using Result = std::expected<T, std::error_code>;

// The reason as an unexpected value, for `return Fail(error);`.
inline std::unexpected<std::error_code> Fail(std::error_code error) { return std::unexpected(error); }

}  // namespace pw
