#include "generate/phrases.h"

#include <array>

namespace dialtally {
namespace {

using namespace std::string_view_literals;

constexpr std::array kSetupChatter = {
    "Installable CP VxD SPAP is loaded"sv,
    "Server type is PPP (Point to Point Protocol)."sv,
    "FSA : Adding Control Protocol 80fd (CCP) to control protocol chain."sv,
    "FSA : Protocol not bound - skipping control protocol 803f (NBFCP)."sv,
    "FSA : Adding Control Protocol 8021 (IPCP) to control protocol chain."sv,
    "FSA : Protocol not bound - skipping control protocol 802b (IPXCP)."sv,
    "FSA : Adding Control Protocol c029 (CallbackCP) to control protocol chain."sv,
    "FSA : Adding Control Protocol c027 (no description) to control protocol chain."sv,
    "FSA : Adding Control Protocol c023 (PAP) to control protocol chain."sv,
    "LCP : Callback negotiation enabled."sv,
};

constexpr std::array kNegotiationChatter = {
    "LCP : -Sending Configure-Request..."sv,
    "LCP : Received configure reject for callback control protocol option."sv,
    "LCP : Received and accepted ACCM of 0."sv,
    "LCP : Option (0x0) rejected."sv,
    "LCP : Received and accepted authentication protocol c023 (PAP)."sv,
    "LCP : Received and accepted magic number 3a5c4b6c."sv,
    "LCP : Received and accepted protocol field compression option."sv,
    "LCP : Received and accepted address+control field compression option."sv,
};

constexpr std::array kAuthenticationChatter = {
    "PAP : Layer started."sv,
    "PAP : Sending Authentication-Request..."sv,
    "PAP : Authentication success, remote peer accepted the password."sv,
    "PAP : Layer up."sv,
    "CCP : Layer started."sv,
    "CCP : Received configure reject, compression off."sv,
};

constexpr std::array kSessionChatter = {
    "LCP : Received echo request, sending echo reply."sv,
    "CCP : Layer finished."sv,
    "IPCP : Received protocol reject for protocol 80fd."sv,
    "FSA : Encrypted frame received but no decryption available."sv,
};

} // namespace

std::span<const std::string_view> SetupChatter()
{
    return kSetupChatter;
}
std::span<const std::string_view> NegotiationChatter()
{
    return kNegotiationChatter;
}
std::span<const std::string_view> AuthenticationChatter()
{
    return kAuthenticationChatter;
}
std::span<const std::string_view> SessionChatter()
{
    return kSessionChatter;
}

} // namespace dialtally
