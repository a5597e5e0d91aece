#pragma once

#include "generate/generator.h"

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace dialtally {

// A line text of the adapter together with the event code that recognising it gives.
struct Phrase {
    std::string_view text;
    std::int16_t code = 0;
    // Address lines only: what follows the address.
    std::string_view tail = ".";
};

// The closing counter block, in the order the adapter writes it.
enum Counter {
    kCrcErrors,
    kTimeoutErrors,
    kAlignmentErrors,
    kOverrunErrors,
    kFramingErrors,
    kBufferOverrunErrors,
    kIncompletePackets,
    kBytesReceived,
    kBytesTransmitted,
    kFramesReceived,
    kFramesTransmitted,
    kCounterCount
};

// What one adapter (dialect and language) writes. Texts are bytes of the OEM code page 850.
// Address texts end where the address follows; counter texts where a blank and the count follow.
struct PhraseSet {
    Phrase logOpened;
    Phrase logClosed;
    Phrase shuttingDown;
    Phrase lcpUp;
    Phrase lcpDown;
    Phrase ipcpStarted;
    Phrase ipcpUp;
    Phrase ipcpDown;
    // The Dutch and Italian sentences hold the address inside them; the log update knows them
    // only for one fixed address each, which the generated provider never has, so there the line
    // is not recognised.
    Phrase ipReceived;
    Phrase ipChanging;
    Phrase ipIs;
    std::array<Phrase, kCounterCount> counters;
};

const PhraseSet& Phrases(int dialect, AdapterLanguage language);

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
