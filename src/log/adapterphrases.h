#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace dialtally {

// The texts that the dial-up adapter writes, with the event code that recognising each gives:
// what the adapter log generator writes and what the pppd translator turns a connection into.

// The languages of the Windows 98 adapter; the Windows 95 adapter writes English only.
enum class AdapterLanguage { English, Finnish, Dutch, Spanish, Italian };

// "en", "fi", "nl", "es" or "it"; empty for anything else.
std::optional<AdapterLanguage> ParseAdapterLanguage(std::string_view code);

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

// Dialect 2 is the Windows 98 adapter in the language given; any other dialect the Windows 95
// adapter.
const PhraseSet& Phrases(int dialect, AdapterLanguage language);

} // namespace dialtally
