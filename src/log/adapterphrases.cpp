#include "log/adapterphrases.h"

namespace dialtally {
namespace {

// Windows 98 codes are the Windows 95 codes plus 256; the three address events share one code.
constexpr std::int16_t kWin98 = 256;
constexpr std::int16_t kWin98Address = 457;

constexpr std::array<Phrase, kCounterCount> Win95Counters()
{
    return {{{"CRC Errors", 121},
             {"Timeout Errors", 122},
             {"Alignment Errors", 123},
             {"Overrun Errors", 124},
             {"Framing Errors", 125},
             {"Buffer Overrun Errors", 126},
             {"Incomplete Packets", 127},
             {"Bytes Received", 101},
             {"Bytes Transmittted", 102},
             {"Frames Received", 103},
             {"Frames Transmitted", 104}}};
}

constexpr std::array<Phrase, kCounterCount>
Win98Counters(std::array<std::string_view, kCounterCount> texts)
{
    std::array<Phrase, kCounterCount> counters = Win95Counters();
    for (int i = 0; i < kCounterCount; ++i)
        counters[i] = {texts[i], static_cast<std::int16_t>(counters[i].code + kWin98)};
    return counters;
}

const PhraseSet kWin95 = {
    .logOpened = {"Remote access driver log opened.", 1},
    .logClosed = {"Remote access driver log closed.", 2},
    .shuttingDown = {"Remote access driver is shutting down.", 5},
    .lcpUp = {"LCP : Layer up.", 21},
    .lcpDown = {"LCP : Layer down.", 22},
    .ipcpStarted = {"IPCP : Layer started.", 13},
    .ipcpUp = {"IPCP : Layer up.", 11},
    .ipcpDown = {"IPCP : Layer down.", 12},
    .ipReceived = {"IPCP : Received and accepted IP address of ", 201},
    .ipChanging = {"IPCP : Changing IP address from 0 to ", 202},
    .ipIs = {"IPCP : IP address is ", 203},
    .counters = Win95Counters(),
};

const PhraseSet kWin98English = {
    .logOpened = {"Microsoft Dial Up Agapter log opened.", 257},
    .logClosed = {"Microsoft Dial Up Adapter log closed.", 258},
    .shuttingDown = {"Remote access driver is shutting down.", 261},
    .lcpUp = {"LCP : Layer up.", 277},
    .lcpDown = {"LCP : Layer down.", 278},
    .ipcpStarted = {"IPCP : Layer started.", 269},
    .ipcpUp = {"IPCP : Layer up.", 267},
    .ipcpDown = {"IPCP : Layer down.", 268},
    .ipReceived = {"IPCP : Received and accepted IP address of ", kWin98Address},
    .ipChanging = {"IPCP : Changing IP address from 0 to ", kWin98Address},
    .ipIs = {"IPCP : IP address is ", kWin98Address},
    .counters = Win98Counters({"CRC Errors", "Timeout Errors", "Alignment Errors", "Overrun Errors",
                               "Framing Errors", "Buffer Overrun Errors", "Incomplete Packets",
                               "Bytes Received", "Bytes Transmitted", "Frames Received",
                               "Frames Transmitted"}),
};

const PhraseSet kWin98Finnish = {
    .logOpened = {"Microsoft Puhelinverkkosovittimen loki avattu.", 257},
    .logClosed = {"Microsoft Puhelinverkkosovittimen loki suljettu.", 258},
    .shuttingDown = {"Et\x84ohjainta sammutetaan.", 261},
    .lcpUp = {"LCP : kerros Yl\x94s.", 277},
    .lcpDown = {"LCP : kerros Alas.", 278},
    .ipcpStarted = {"IPCP : kerros Started_FIN.", 269},
    .ipcpUp = {"IPCP : kerros Yl\x94s.", 267},
    .ipcpDown = {"IPCP : kerros Alas.", 268},
    .ipReceived = {"IPCP : Vastaanotettu ja hyv\x84ksytty kohteen IP-osoite ", kWin98Address},
    .ipChanging = {"IPCP : Vaihdetaan IP-osoite osoitteesta 0 osoitteeseen ", kWin98Address},
    .ipIs = {"IPCP : IP-osoite on ", kWin98Address},
    .counters = Win98Counters({"CRC-virheit\x84", "Aikakatkaisuvirheit\x84", "Kohdistusvirheit\x84",
                               "Ylivuotovirheit\x84", "Kehysvirheit\x84",
                               "Puskurin ylivuotovirheit\x84", "Ep\x84t\x84ydellisi\x84 paketteja",
                               "Vastaanotettuja tavuja", "L\x84hetettyj\x84 tavuja",
                               "Kehyksi\x84 vastaanotettu", "Kehyksi\x84 l\x84hetetty"}),
};

const PhraseSet kWin98Dutch = {
    .logOpened = {"Microsoft externe-toegangsadapter is geopend.", 257},
    .logClosed = {"Microsoft externe-toegangsadapter is gesloten.", 258},
    .shuttingDown = {"Het stuurprogramma voor toegang op afstand is bezig met afsluiten.", 261},
    .lcpUp = {"LCP : Laag omhoog.", 277},
    .lcpDown = {"LCP : Laag omlaag.", 278},
    .ipcpStarted = {"IPCP : Laag Started_DUT.", 269},
    .ipcpUp = {"IPCP : Laag omhoog.", 267},
    .ipcpDown = {"IPCP : Laag omlaag.", 268},
    .ipReceived = {"IPCP : IP-adres van ", 0, " ontvangen en geaccepteerd."},
    .ipChanging = {"IPCP : IP-adres wijzigen van 0 naar ", kWin98Address},
    .ipIs = {"IPCP : IP-adres is ", kWin98Address},
    .counters = Win98Counters({"CRC-fouten", "Timeoutfouten", "Uitlijningsfouten", "Overloopfouten",
                               "Framefouten", "Fouten door bufferoverloop", "Onvolledige pakketen",
                               "Bytes ontvangen", "Bytes verzonden", "Frames ontvangen",
                               "Frames verzonden"}),
};

const PhraseSet kWin98Spanish = {
    .logOpened = {"Registro del adaptador de acceso telef\xA2nico a redes de Microsoft abierto.",
                  257},
    .logClosed = {"Registro del adaptador de acceso telef\xA2nico a redes de Microsoft cerrado.",
                  258},
    .shuttingDown = {"Cerrando controlador de acceso remoto.", 261},
    .lcpUp = {"LCP : capa arriba.", 277},
    .lcpDown = {"LCP : capa abajo.", 278},
    .ipcpStarted = {"IPCP : capa started.", 269},
    .ipcpUp = {"IPCP : capa arriba.", 267},
    .ipcpDown = {"IPCP : capa abajo.", 268},
    .ipReceived = {"IPCP : direcciones IP recibidas y aceptadas de ", kWin98Address},
    .ipChanging = {"IPCP : cambiando direcci\xA2n IP de 0 a ", kWin98Address},
    .ipIs = {"IPCP : la direcci\xA2n IP es ", kWin98Address},
    .counters =
        Win98Counters({"Errores de CRC", "Errores de tiempo de espera", "Errores de alineaci\xA2n",
                       "Errores de desbordamiento", "Errores de trama",
                       "Errores de desbordamiento de b\xA3"
                       "fer",
                       "Paquetes incompletos", "Bytes recibidos", "Bytes transmitidos",
                       "Tramas recibidas", "Tramas transmitidas"}),
};

// The Italian adapter opens its log with the server type line, and its shutting-down line begins
// like its closing line, so both end the connection.
const PhraseSet kWin98Italian = {
    .logOpened = {"Tipo di server: PPP (Point to Point Protocol).", 257},
    .logClosed = {"Chiusura del dispositivo di Accesso remoto.", 258},
    .shuttingDown = {"Chiusura del dispositivo di Accesso remoto in corso.", 258},
    .lcpUp = {"LCP: livello su.", 277},
    .lcpDown = {"LCP: livello gi\x97.", 278},
    .ipcpStarted = {"IPCP: livello avviato.", 269},
    .ipcpUp = {"IPCP: livello su.", 267},
    .ipcpDown = {"IPCP: livello gi\x97.", 268},
    .ipReceived = {"IPCP: indirizzo IP ", 0, " ricevuto e accettato."},
    .ipChanging = {"IPCP: modifica indirizzo IP da 0 a ", kWin98Address},
    .ipIs = {"IPCP: l'indirizzo IP \x8A ", kWin98Address},
    .counters = Win98Counters({"Errori CRC", "Errori di timeout", "Errori di allineamento",
                               "Errori di sovraccarico", "Errori di frame", "Sovraccarichi buffer",
                               "Pacchetti incompleti", "Byte ricevuti", "Byte trasmessi",
                               "Frame ricevuti", "Frame trasmessi"}),
};

} // namespace

std::optional<AdapterLanguage> ParseAdapterLanguage(std::string_view code)
{
    if (code == "en")
        return AdapterLanguage::English;
    if (code == "fi")
        return AdapterLanguage::Finnish;
    if (code == "nl")
        return AdapterLanguage::Dutch;
    if (code == "es")
        return AdapterLanguage::Spanish;
    if (code == "it")
        return AdapterLanguage::Italian;
    return std::nullopt;
}

const PhraseSet& Phrases(int dialect, AdapterLanguage language)
{
    if (dialect != 2)
        return kWin95;
    switch (language) {
    case AdapterLanguage::Finnish:
        return kWin98Finnish;
    case AdapterLanguage::Dutch:
        return kWin98Dutch;
    case AdapterLanguage::Spanish:
        return kWin98Spanish;
    case AdapterLanguage::Italian:
        return kWin98Italian;
    case AdapterLanguage::English:
        break;
    }
    return kWin98English;
}

} // namespace dialtally
