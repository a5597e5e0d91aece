#pragma once

#include "log/adapterphrases.h"

#include <span>
#include <string_view>

namespace dialtally {

// What the adapter writes beyond the lines that the log update recognises (those are in
// log/adapterphrases.h).

// Protocol chatter that the log update drops (code 0), in the order it appears in a connection.
std::span<const std::string_view> SetupChatter();          // before "LCP : Layer started."
std::span<const std::string_view> NegotiationChatter();    // between LCP started and LCP up
std::span<const std::string_view> AuthenticationChatter(); // between LCP up and IPCP started
std::span<const std::string_view> SessionChatter();        // now and then during a connection
inline constexpr std::string_view kLcpStarted = "LCP : Layer started.";
inline constexpr std::string_view kCcpDown = "CCP : Layer down.";
// Windows 98 packet dumps begin like this; the bytes follow.
inline constexpr std::string_view kDumpStart = "Data 00";

} // namespace dialtally
