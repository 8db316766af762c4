#pragma once

#include <string_view>

namespace quorvan {

// What the About box shows, on every platform. The text is shown as it is: an "&" in it is not
// a mnemonic.
inline constexpr std::string_view kAboutCaption = "Quorvan";
inline constexpr std::string_view kAboutText = "quorvan Version 1.0";
inline constexpr std::string_view kAboutButton = "OK";

// The window menu's About entry (string 101).
inline constexpr std::string_view kAboutMenuText = "&Info über quorvan...";

}  // namespace quorvan
