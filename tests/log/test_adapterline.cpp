#include "log/adapterline.h"

#include <QTest>
#include <limits>
#include <string_view>
#include <vector>

using namespace dialtally;

namespace {

// The recognised texts written out again here, apart from the parser's own tables, as the OEM
// bytes the adapter writes (0x84 a-umlaut, 0x94 o-umlaut, 0x8A e-grave, 0x97 u-grave, 0xA2
// o-acute, 0xA3 u-acute). Literals are split after an escape so that a following hexadecimal
// letter stays a letter.
struct ExpectedEntry {
    int code;
    std::vector<std::string_view> texts;
};

const std::vector<ExpectedEntry> kWin95 = {
    {11, {"IPCP : Layer up."}},
    {12, {"IPCP : Layer down."}},
    {13, {"IPCP : Layer started."}},
    {1, {"Remote access driver log opened."}},
    {2, {"Remote access driver log closed."}},
    {5, {"Remote access driver is shutting down."}},
    {21, {"LCP : Layer up."}},
    {22, {"LCP : Layer down."}},
    {101, {"Bytes Received"}},
    {102, {"Bytes Transmittted", "Bytes Transmitted"}},
    {103, {"Frames Received"}},
    {104, {"Frames Transmitted"}},
    {121, {"CRC Errors"}},
    {122, {"Timeout Errors"}},
    {123, {"Alignment Errors"}},
    {124, {"Overrun Errors"}},
    {125, {"Framing Errors"}},
    {126, {"Buffer Overrun Errors"}},
    {127, {"Incomplete Packets"}},
    {201, {"IPCP : Received and accepted IP address of"}},
    {202, {"IPCP : Changing IP address from"}},
    {203, {"IPCP : IP address is"}},
};

const std::vector<ExpectedEntry> kWin98 = {
    {0, {"Data 00"}},
    {267,
     {"IPCP : Layer up.", "IPCP : kerros Yl\x94s.", "IPCP : Laag omhoog.", "IPCP : capa arriba.",
      "IPCP: livello su."}},
    {268,
     {"IPCP : Layer down.", "IPCP : kerros Alas.", "IPCP : Laag omlaag.", "IPCP : capa abajo.",
      "IPCP: livello gi\x97."}},
    {269,
     {"IPCP : Layer started.", "IPCP : kerros Started_FIN.", "IPCP : Laag Started_DUT.",
      "IPCP : capa started.", "IPCP: livello avviato."}},
    {257,
     {"Microsoft Dial Up Agapter log opened.", "Microsoft Puhelinverkkosovittimen loki avattu.",
      "Microsoft externe-toegangsadapter is geopend.",
      "Registro del adaptador de acceso telef\xA2nico a redes de Microsoft abierto.",
      "Tipo di server:"}},
    {258,
     {"Microsoft Dial Up Adapter log closed.", "Microsoft Puhelinverkkosovittimen loki suljettu.",
      "Microsoft externe-toegangsadapter is gesloten.",
      "Registro del adaptador de acceso telef\xA2nico a redes de Microsoft cerrado.",
      "Chiusura del dispositivo di Accesso remoto"}},
    {261,
     {"Remote access driver is shutting down.", "Et\x84ohjainta sammutetaan.",
      "Het stuurprogramma voor toegang op afstand is bezig met afsluiten.",
      "Cerrando controlador de acceso remoto.", "Chiusura del dispositivo di Accesso remoto"}},
    {277,
     {"LCP : Layer up.", "LCP : kerros Yl\x94s.", "LCP : Laag omhoog.", "LCP : capa arriba.",
      "LCP: livello su."}},
    {278,
     {"LCP : Layer down.", "LCP : kerros Alas.", "LCP : Laag omlaag.", "LCP : capa abajo.",
      "LCP: livello gi\x97."}},
    {357,
     {"Bytes Received", "Vastaanotettuja tavuja", "Bytes ontvangen", "Bytes recibidos",
      "Byte ricevuti"}},
    {358,
     {"Bytes Transmittted", "Bytes Transmitted", "L\x84hetettyj\x84 tavuja", "Bytes verzonden",
      "Bytes transmitidos", "Byte trasmessi"}},
    {359,
     {"Frames Received", "Kehyksi\x84 vastaanotettu", "Frames ontvangen", "Tramas recibidas",
      "Frame ricevuti"}},
    {360,
     {"Frames Transmitted", "Kehyksi\x84 l\x84hetetty", "Frames verzonden", "Tramas transmitidas",
      "Frame trasmessi"}},
    {377, {"CRC Errors", "CRC-virheit\x84", "CRC-fouten", "Errores de CRC", "Errori CRC"}},
    {378,
     {"Timeout Errors", "Aikakatkaisuvirheit\x84", "Timeoutfouten", "Errores de tiempo de espera",
      "Errori di timeout"}},
    {379,
     {"Alignment Errors", "Kohdistusvirheit\x84", "Uitlijningsfouten", "Errores de alineaci\xA2n",
      "Errori di allineamento"}},
    {380,
     {"Overrun Errors", "Ylivuotovirheit\x84", "Overloopfouten", "Errores de desbordamiento",
      "Errori di sovraccarico"}},
    {381,
     {"Framing Errors", "Kehysvirheit\x84", "Framefouten", "Errores de trama", "Errori di frame"}},
    {382,
     {"Buffer Overrun Errors", "Puskurin ylivuotovirheit\x84", "Fouten door bufferoverloop",
      "Errores de desbordamiento de b\xA3"
      "fer",
      "Sovraccarichi buffer"}},
    {383,
     {"Incomplete Packets", "Ep\x84t\x84ydellisi\x84 paketteja", "Onvolledige pakketen",
      "Paquetes incompletos", "Pacchetti incompleti"}},
    {457,
     {"IPCP : Received and accepted IP address of", "IPCP : Vastaanotettu ja hyv\x84ksytty kohteen",
      "IPCP : IP-adres van C0A80102 ontvangen en geaccepteerd.",
      "IPCP : direcciones IP recibidas y aceptadas de",
      "IPCP: indirizzo IP AC100005 ricevuto e accettato."}},
    {457,
     {"IPCP : Changing IP address from", "IPCP : Vaihdetaan IP-osoite osoitteesta",
      "IPCP : IP-adres wijzigen van", "IPCP : cambiando direcci\xA2n IP de",
      "IPCP: modifica indirizzo IP da"}},
    {457,
     {"IPCP : IP address is", "IPCP : IP-osoite on", "IPCP : IP-adres is",
      "IPCP : la direcci\xA2n IP es", "IPCP: l'indirizzo IP \x8A"}},
};

const std::vector<ExpectedEntry>& Expected(int dialect)
{
    return dialect == 1 ? kWin95 : kWin98;
}

QByteArray Bytes(std::string_view s)
{
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string_view View(const QByteArray& b)
{
    return std::string_view(b.constData(), static_cast<std::size_t>(b.size()));
}

} // namespace

class TestAdapterLine : public QObject {
    Q_OBJECT
private slots:
    void tablesHoldTheTextsInOrder();
    void recognisesEveryText_data();
    void recognisesEveryText();
    void classify_data();
    void classify();
    void otherDialectsRecogniseNothing();
    void exampleLines();
    void lineTime_data();
    void lineTime();
    void messageText_data();
    void messageText();
    void decimalValue_data();
    void decimalValue();
    void hexValue_data();
    void hexValue();
};

void TestAdapterLine::tablesHoldTheTextsInOrder()
{
    for (int dialect : {1, 2}) {
        const std::vector<ExpectedEntry>& expected = Expected(dialect);
        const std::span<const MessageEntry> table = MessageTable(Dialect(dialect));
        QCOMPARE(table.size(), expected.size());
        for (std::size_t row = 0; row < expected.size(); ++row) {
            QCOMPARE(table[row].code, expected[row].code);
            QCOMPARE(table[row].texts.size(), expected[row].texts.size());
            for (std::size_t t = 0; t < expected[row].texts.size(); ++t)
                QCOMPARE(Bytes(table[row].texts[t]), Bytes(expected[row].texts[t]));
        }
    }
    QVERIFY(MessageTable(Dialect::Other).empty());
    QVERIFY(MessageTable(Dialect(3)).empty());
}

void TestAdapterLine::recognisesEveryText_data()
{
    QTest::addColumn<int>("dialect");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("code");
    for (int dialect : {1, 2}) {
        const std::vector<ExpectedEntry>& expected = Expected(dialect);
        for (std::size_t row = 0; row < expected.size(); ++row)
            for (std::size_t t = 0; t < expected[row].texts.size(); ++t) {
                // The Italian closing text also stands in the next row; the earlier row wins.
                int code = expected[row].code;
                if (dialect == 2 && expected[row].texts[t].starts_with("Chiusura"))
                    code = 258;
                QTest::addRow("dialect %d row %zu text %zu", dialect, row + 1, t + 1)
                    << dialect << Bytes(expected[row].texts[t]) << code;
            }
    }
}

void TestAdapterLine::recognisesEveryText()
{
    QFETCH(int, dialect);
    QFETCH(QByteArray, text);
    QFETCH(int, code);
    QCOMPARE(ClassifyMessage(View(text), Dialect(dialect)), code);
    // A prefix match: whatever follows the text does not matter ...
    QCOMPARE(ClassifyMessage(View(text + " 123"), Dialect(dialect)), code);
    // ... but the whole text must be there.
    if (code != 0)
        QVERIFY(ClassifyMessage(View(text.chopped(1)), Dialect(dialect)) != code);
}

void TestAdapterLine::classify_data()
{
    QTest::addColumn<QByteArray>("message");
    QTest::addColumn<int>("dialect");
    QTest::addColumn<int>("code");
    const QByteArray longLine = "IPCP : " + QByteArray(5000, 'x');
    // clang-format off
    QTest::newRow("95 text in 95")              << QByteArray("Remote access driver log opened.")  << 1 << 1;
    QTest::newRow("95-only text in 98")         << QByteArray("Remote access driver log opened.")  << 2 << 0;
    QTest::newRow("98-only text in 95")         << QByteArray("IPCP : kerros Yl\x94s.")           << 1 << 0;
    QTest::newRow("Italian close in 98")        << QByteArray("Chiusura del dispositivo di Accesso remoto") << 2 << 258;
    QTest::newRow("Italian close in 95")        << QByteArray("Chiusura del dispositivo di Accesso remoto") << 1 << 0;
    QTest::newRow("prefix match")               << QByteArray("IPCP : Layer started. something")   << 1 << 13;
    QTest::newRow("case matters 95")            << QByteArray("ipcp : layer up.")                  << 1 << 0;
    QTest::newRow("case matters 98")            << QByteArray("ipcp : layer up.")                  << 2 << 0;
    QTest::newRow("typo transmitted 95")        << QByteArray("Bytes Transmittted 500")            << 1 << 102;
    QTest::newRow("transmitted 95")             << QByteArray("Bytes Transmitted 500")             << 1 << 102;
    QTest::newRow("typo transmitted 98")        << QByteArray("Bytes Transmittted 500")            << 2 << 358;
    QTest::newRow("transmitted 98")             << QByteArray("Bytes Transmitted 500")             << 2 << 358;
    QTest::newRow("packet dump")                << QByteArray("Data 00 ff 03 c0 21")               << 2 << 0;
    QTest::newRow("address 95")                 << QByteArray("IPCP : IP address is C0A80101.")    << 1 << 203;
    QTest::newRow("address 98")                 << QByteArray("IPCP : IP address is C0A80101.")    << 2 << 457;
    QTest::newRow("Dutch other address")        << QByteArray("IPCP : IP-adres van C0A80103 ontvangen en geaccepteerd.") << 2 << 0;
    QTest::newRow("Italian other address")      << QByteArray("IPCP: indirizzo IP AC100006 ricevuto e accettato.") << 2 << 0;
    QTest::newRow("Spanish overrun")            << QByteArray("Errores de desbordamiento 3")       << 2 << 380;
    QTest::newRow("Spanish buffer overrun")     << QByteArray("Errores de desbordamiento de b\xA3" "fer 3") << 2 << 382;
    QTest::newRow("Spanish near buffer")        << QByteArray("Errores de desbordamiento de b")    << 2 << 380;
    QTest::newRow("buffer overrun not overrun") << QByteArray("Buffer Overrun Errors 3")           << 1 << 126;
    QTest::newRow("part of a text")             << QByteArray("IPCP : Layer")                      << 1 << 0;
    QTest::newRow("UTF-8 umlaut")               << QByteArray("IPCP : kerros Yl\xC3\xB6s.")       << 2 << 0;
    QTest::newRow("Latin-1 umlaut")             << QByteArray("IPCP : kerros Yl\xF6s.")           << 2 << 0;
    QTest::newRow("leading blank")              << QByteArray(" CRC Errors 0")                     << 1 << 0;
    QTest::newRow("empty 95")                   << QByteArray()                                    << 1 << 0;
    QTest::newRow("empty 98")                   << QByteArray()                                    << 2 << 0;
    QTest::newRow("shorter than seven bytes")   << QByteArray("IPCP :")                            << 1 << 0;
    QTest::newRow("seventh byte differs")       << QByteArray("IPCP : layer up.")                  << 1 << 0;
    QTest::newRow("long unknown 95")            << longLine                                        << 1 << 0;
    QTest::newRow("long unknown 98")            << longLine                                        << 2 << 0;
    QTest::newRow("high byte first")            << QByteArray("\xFF\x84 Errors")                   << 2 << 0;
    // clang-format on
}

void TestAdapterLine::classify()
{
    QFETCH(QByteArray, message);
    QFETCH(int, dialect);
    QFETCH(int, code);
    QCOMPARE(ClassifyMessage(View(message), Dialect(dialect)), code);
}

void TestAdapterLine::otherDialectsRecogniseNothing()
{
    for (int dialect : {0, 3, -1, 258})
        for (const auto* table : {&kWin95, &kWin98})
            for (const ExpectedEntry& entry : *table)
                for (std::string_view text : entry.texts)
                    QCOMPARE(ClassifyMessage(text, Dialect(dialect)), 0);
}

void TestAdapterLine::exampleLines()
{
    const std::string_view opened = "12-16-1998 10:14:40.33 - Remote access driver log opened.";
    QCOMPARE(LineTime(opened), MakeDateTime(1998, 12, 16, 10, 14, 40));
    QCOMPARE(Bytes(MessageText(opened)), QByteArray("Remote access driver log opened."));
    QCOMPARE(ClassifyMessage(MessageText(opened), Dialect::Windows95), 1);
    QCOMPARE(ClassifyMessage(MessageText(opened), Dialect::Windows98), 0);

    const std::string_view address = "12-16-1998 10:14:41.02 - IPCP : IP address is C0A80101.";
    QCOMPARE(ClassifyMessage(MessageText(address), Dialect::Windows95), 203);
    QCOMPARE(ClassifyMessage(MessageText(address), Dialect::Windows98), 457);
    QCOMPARE(HexValue(address), -1062731519);

    // The time stamp's digits are not the counter's.
    const std::string_view counter = "12-16-1998 10:44:02.70 - Bytes Received 123456";
    QCOMPARE(ClassifyMessage(MessageText(counter), Dialect::Windows95), 101);
    QCOMPARE(DecimalValue(counter), 123456);

    // The fixed addresses of the Dutch and Italian texts are what the table matches.
    QCOMPARE(ClassifyMessage(kDutchAcceptedText, Dialect::Windows98), 457);
    QCOMPARE(ClassifyMessage(kItalianAcceptedText, Dialect::Windows98), 457);
    QVERIFY(kDutchAcceptedText.find(kDutchAcceptedAddress) != std::string_view::npos);
    QVERIFY(kItalianAcceptedText.find(kItalianAcceptedAddress) != std::string_view::npos);
}

void TestAdapterLine::lineTime_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QString>("time"); // empty: the line has no usable time
    // clang-format off
    QTest::newRow("example")          << QByteArray("12-16-1998 10:14:40.33 - Remote access driver log opened.") << "1998-12-16 10:14:40";
    QTest::newRow("exactly 19 chars") << QByteArray("02-29-2000 23:59:59")    << "2000-02-29 23:59:59";
    QTest::newRow("separators unread")<< QByteArray("01x02x2003x04x05x06xxx") << "2003-01-02 04:05:06";
    QTest::newRow("month 13")         << QByteArray("13-16-1998 10:14:40.33") << "1999-01-16 10:14:40";
    QTest::newRow("hour 24")          << QByteArray("12-16-1998 24:00:00.00") << "1998-12-17 00:00:00";
    QTest::newRow("all roll over")    << QByteArray("12-31-1998 23:59:60.00") << "1999-01-01 00:00:00";
    QTest::newRow("day 30 february")  << QByteArray("02-30-1999 00:00:00.00") << "1999-03-02 00:00:00";
    QTest::newRow("month 00")         << QByteArray("00-15-1999 00:00:00.00") << "1998-12-15 00:00:00";
    QTest::newRow("leading blank")    << QByteArray(" 5-16-1998  1:02: 3.00") << "1998-05-16 01:02:03";
    QTest::newRow("18 chars")         << QByteArray("12-16-1998 10:14:4")     << "";
    QTest::newRow("empty")            << QByteArray()                         << "";
    QTest::newRow("letter in month")  << QByteArray("1a-16-1998 10:14:40.33") << "";
    QTest::newRow("letter in year")   << QByteArray("12-16-199x 10:14:40.33") << "";
    QTest::newRow("letter in second") << QByteArray("12-16-1998 10:14:4O.33") << "";
    QTest::newRow("blank field")      << QByteArray("12-  -1998 10:14:40.33") << "";
    QTest::newRow("trailing blank")   << QByteArray("12-16-1998 10:5 :40.33") << "";
    QTest::newRow("sign")             << QByteArray("-1-16-1998 10:14:40.33") << "";
    QTest::newRow("packet dump line") << QByteArray("Data 00 ff 03 c0 21")    << "";
    QTest::newRow("year 0000")        << QByteArray("12-16-0000 10:14:40.33") << "";
    // clang-format on
}

void TestAdapterLine::lineTime()
{
    QFETCH(QByteArray, line);
    QFETCH(QString, time);
    const std::optional<DateTime> t = LineTime(View(line));
    if (time.isEmpty()) {
        QVERIFY(!t);
        return;
    }
    QVERIFY(t);
    QCOMPARE(QString::fromStdString(FormatIsoDateTime(*t)), time);
}

void TestAdapterLine::messageText_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<QByteArray>("message");
    // clang-format off
    QTest::newRow("trailing blanks")    << QByteArray("12-16-1998 10:14:40.33 - Bytes Received 5   ") << QByteArray("Bytes Received 5");
    QTest::newRow("dashes in message")  << QByteArray("12-16-1998 10:14:40.33 - CRC-virheit\x84 0")  << QByteArray("CRC-virheit\x84 0");
    QTest::newRow("dash at 24")         << QByteArray("12-16-1998 10:14:40.33 -X")                   << QByteArray("X");
    QTest::newRow("dash at 23 only")    << QByteArray("12-16-1998 10:14:40.33-  X")                  << QByteArray("12-16-1998 10:14:40.33-  X");
    QTest::newRow("dash far on")        << QByteArray("12-16-1998 10:14:40.33   abc - def")          << QByteArray("def");
    QTest::newRow("no dash")            << QByteArray("  12-16-1998 10:14:40.33 no dash here  ")     << QByteArray("12-16-1998 10:14:40.33 no dash here");
    QTest::newRow("nothing after dash") << QByteArray("12-16-1998 10:14:40.33 -   ")                 << QByteArray();
    QTest::newRow("short line")         << QByteArray("  Frames - Received  ")                       << QByteArray("Frames - Received");
    QTest::newRow("blanks only")        << QByteArray("     ")                                       << QByteArray();
    QTest::newRow("empty")              << QByteArray()                                              << QByteArray();
    // clang-format on
}

void TestAdapterLine::messageText()
{
    QFETCH(QByteArray, line);
    QFETCH(QByteArray, message);
    QCOMPARE(Bytes(MessageText(View(line))), message);
}

void TestAdapterLine::decimalValue_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("value");
    // clang-format off
    QTest::newRow("counter")            << QByteArray("Bytes Received 123456")         << 123456;
    QTest::newRow("zero")               << QByteArray("CRC Errors 0")                  << 0;
    QTest::newRow("trailing blanks")    << QByteArray("Bytes Received 12345   ")       << 12345;
    QTest::newRow("trailing text")      << QByteArray("Bytes Received 77 bytes.")      << 77;
    QTest::newRow("last number counts") << QByteArray("a 12 b 34 .")                   << 34;
    QTest::newRow("no digit")           << QByteArray("Frames Received")               << 0;
    QTest::newRow("empty")              << QByteArray()                                << 0;
    QTest::newRow("largest")            << QByteArray("Bytes Received 2147483647")     << std::numeric_limits<int>::max();
    QTest::newRow("one too big")        << QByteArray("Bytes Received 2147483648")     << 0;
    QTest::newRow("too big")            << QByteArray("Bytes Received 99999999999")    << 0;
    QTest::newRow("wraps 32 bits")      << QByteArray("Bytes Received 4294967297")     << 0;
    QTest::newRow("wraps 64 bits")      << QByteArray("1" + QByteArray(30, '0'))        << 0;
    QTest::newRow("leading zeros")      << QByteArray("Bytes Received 000000000000042") << 42;
    QTest::newRow("no sign")            << QByteArray("Value -5")                      << 5;
    QTest::newRow("whole line digits")  << QByteArray("987")                           << 987;
    // clang-format on
}

void TestAdapterLine::decimalValue()
{
    QFETCH(QByteArray, line);
    QFETCH(int, value);
    QCOMPARE(DecimalValue(View(line)), value);
}

void TestAdapterLine::hexValue_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("value");
    // clang-format off
    QTest::newRow("address with point") << QByteArray("IPCP : IP address is C0A80101.")  << -1062731519;
    QTest::newRow("address")            << QByteArray("IPCP : IP address is C0A80101")   << -1062731519;
    QTest::newRow("lower case")         << QByteArray("IPCP : IP address is c0a80101.")  << -1062731519;
    QTest::newRow("largest positive")   << QByteArray("x 7FFFFFFF")                      << std::numeric_limits<int>::max();
    QTest::newRow("smallest negative")  << QByteArray("x 80000000")                      << std::numeric_limits<int>::min();
    QTest::newRow("all ones")           << QByteArray("x FFFFFFFF.")                     << -1;
    QTest::newRow("short word")         << QByteArray("x A")                             << 10;
    QTest::newRow("no blank")           << QByteArray("0A000001.")                       << 0x0A000001;
    QTest::newRow("leading zeros")      << QByteArray("x 00000000C0A80101")              << -1062731519;
    QTest::newRow("nine digits")        << QByteArray("x 1C0A80101")                     << 0;
    QTest::newRow("zero")               << QByteArray("x 00000000000")                   << 0;
    QTest::newRow("not hexadecimal")    << QByteArray("x G0A80101.")                     << 0;
    QTest::newRow("two points")         << QByteArray("x C0A80101..")                    << 0;
    QTest::newRow("ends with blank")    << QByteArray("IPCP : IP address is ")           << 0;
    QTest::newRow("blank then point")   << QByteArray("IPCP : IP address is .")          << 0;
    QTest::newRow("point only")         << QByteArray(".")                               << 0;
    QTest::newRow("empty")              << QByteArray()                                  << 0;
    QTest::newRow("C prefix")           << QByteArray("x 0xC0A80101")                    << 0;
    QTest::newRow("sign")               << QByteArray("x -1")                            << 0;
    // clang-format on
}

void TestAdapterLine::hexValue()
{
    QFETCH(QByteArray, line);
    QFETCH(int, value);
    QCOMPARE(HexValue(View(line)), value);
}

QTEST_GUILESS_MAIN(TestAdapterLine)
#include "test_adapterline.moc"
