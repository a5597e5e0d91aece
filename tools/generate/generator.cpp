#include "generate/generator.h"

#include "generate/phrases.h"
#include "generate/pppdsyslog.h"
#include "generate/random.h"
#include "log/sessionlog.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace dialtally {
namespace {

constexpr std::int64_t kCentisPerSecond = 100;
constexpr std::int64_t kCentisPerDay = kSecondsPerDay * kCentisPerSecond;
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

// Every session brings at least this many recognised lines (the Dutch and Italian received-address
// line is not recognised); used to spread a count of events over the months.
constexpr std::int64_t kFewestEventsPerSession = 21;

std::int32_t ClampToInt32(double value)
{
    return static_cast<std::int32_t>(std::clamp(value, 0.0, static_cast<double>(kInt32Max)));
}

class LineMaker {
public:
    LineMaker(const GeneratorOptions& options,
              const std::function<bool(const GeneratedLine&)>& visit)
        : m_options(options), m_phrases(Phrases(options.dialect, options.language)), m_visit(visit),
          m_random(options.seed ^ 0x5DEECE66Dull)
    {
        // One provider per log: its dial-in server and the pool it hands addresses from.
        m_pool = 0xC0000000u | static_cast<std::uint32_t>(m_random.Range(0, 0x3FFF) << 16);
        m_server = m_pool | 0x0101u;
    }

    std::int64_t Run();

private:
    bool Emit(std::string_view text, std::int16_t code = 0, ValueForm form = ValueForm::None,
              std::int32_t value = 0, std::string_view tail = {})
    {
        if (m_stopped)
            return false;
        const GeneratedLine line{DateTime{m_nowCentis / kCentisPerSecond},
                                 static_cast<int>(m_nowCentis % kCentisPerSecond),
                                 text,
                                 form,
                                 value,
                                 tail,
                                 code};
        if (code != 0)
            ++m_events;
        if (!m_visit(line))
            m_stopped = true;
        return !m_stopped;
    }
    void Emit(const Phrase& phrase) { Emit(phrase.text, phrase.code); }
    void EmitAddress(const Phrase& phrase, std::uint32_t address)
    {
        Emit(phrase.text, phrase.code, ValueForm::Hex, static_cast<std::int32_t>(address),
             phrase.tail);
    }
    // Lines of one burst follow each other within a few hundredths, fewer when sessions are
    // crowded.
    void Step(std::int64_t maxCentis)
    {
        m_nowCentis +=
            static_cast<std::int64_t>(static_cast<double>(m_random.Range(0, maxCentis)) * m_pace);
    }

    void Session(std::int64_t plannedStartCentis, double slotSeconds);
    std::vector<double> DayWeights(std::int64_t days);

    const GeneratorOptions& m_options;
    const PhraseSet& m_phrases;
    const std::function<bool(const GeneratedLine&)>& m_visit;
    Random m_random;
    std::uint32_t m_pool = 0;
    std::uint32_t m_server = 0;
    std::int64_t m_nowCentis = 0;
    std::int64_t m_lastEndCentis = std::numeric_limits<std::int64_t>::min();
    double m_pace = 1.0;
    std::int64_t m_events = 0;
    bool m_stopped = false;
};

std::vector<double> LineMaker::DayWeights(std::int64_t days)
{
    // Weekends see more use, and now and then a day passes without any connection.
    const DateTime first = *MakeDateTime(m_options.startYear, m_options.startMonth, 1);
    std::vector<double> weights(static_cast<std::size_t>(days));
    double total = 0;
    for (std::int64_t d = 0; d < days; ++d) {
        const int weekday = Weekday(DateTime{first.seconds + d * kSecondsPerDay});
        const double base = (weekday == 1 || weekday == 7) ? 1.5 : 1.0;
        const double w = m_random.Chance(0.1) ? 0.0 : base * m_random.Uniform(0.3, 1.7);
        weights[static_cast<std::size_t>(d)] = w;
        total += w;
    }
    if (total == 0)
        std::fill(weights.begin(), weights.end(), 1.0);
    return weights;
}

std::int64_t LineMaker::Run()
{
    const DateTime first = *MakeDateTime(m_options.startYear, m_options.startMonth, 1);
    const DateTime end =
        *MakeDateTime(m_options.startYear, m_options.startMonth + m_options.months, 1);
    const std::int64_t days = (end.seconds - first.seconds) / kSecondsPerDay;
    const std::int64_t sessions =
        m_options.events > 0
            ? (m_options.events + kFewestEventsPerSession - 1) / kFewestEventsPerSession
            : m_options.sessions;
    if (sessions <= 0)
        return 0;

    const std::vector<double> weights = DayWeights(days);
    double totalWeight = 0;
    for (double w : weights)
        totalWeight += w;

    double cumulative = 0;
    std::int64_t made = 0;
    std::vector<std::int64_t> starts;
    for (std::int64_t d = 0; d < days && !m_stopped; ++d) {
        cumulative += weights[static_cast<std::size_t>(d)];
        const std::int64_t target =
            d + 1 == days ? sessions
                          : static_cast<std::int64_t>(std::llround(static_cast<double>(sessions) *
                                                                   (cumulative / totalWeight)));
        const std::int64_t count = std::max<std::int64_t>(0, target - made);
        if (count == 0)
            continue;
        // Most connections fall in the evening, the rest in the working day.
        starts.resize(static_cast<std::size_t>(count));
        for (std::int64_t& s : starts) {
            const double hour =
                m_random.Chance(0.6) ? m_random.Uniform(18.0, 23.5) : m_random.Uniform(8.0, 18.0);
            s = static_cast<std::int64_t>(hour * 3600.0 * kCentisPerSecond);
        }
        std::sort(starts.begin(), starts.end());
        const std::int64_t dayCentis = (first.seconds + d * kSecondsPerDay) * kCentisPerSecond;
        // A connection ends well before the next one is due, so crowded days get short ones
        // and the times stay inside the months asked for.
        constexpr std::int64_t kNextMorning = (kSecondsPerDay + 8 * 3600) * kCentisPerSecond;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const std::int64_t next = i + 1 < starts.size() ? starts[i + 1] : kNextMorning;
            Session(dayCentis + starts[i],
                    static_cast<double>(next - starts[i]) / kCentisPerSecond);
            if (m_stopped || (m_options.events > 0 && m_events >= m_options.events)) {
                m_stopped = true;
                break;
            }
        }
        made += count;
    }
    return m_events;
}

void LineMaker::Session(std::int64_t plannedStartCentis, double slotSeconds)
{
    // When connections crowd each other the setup runs faster and the gap after a late
    // predecessor is shorter.
    m_pace = std::min(1.0, slotSeconds / 120.0);
    const double gapSeconds =
        std::max(2.0, std::min(m_random.Uniform(20.0, 900.0), slotSeconds * 0.1));
    const auto gapCentis = static_cast<std::int64_t>(gapSeconds * kCentisPerSecond);
    m_nowCentis = m_lastEndCentis == std::numeric_limits<std::int64_t>::min()
                      ? plannedStartCentis
                      : std::max(plannedStartCentis, m_lastEndCentis + gapCentis);

    const PhraseSet& p = m_phrases;
    const bool win98 = m_options.dialect == 2;
    Emit(p.logOpened);
    Step(3);
    for (std::string_view chatter : SetupChatter()) {
        if (win98 && m_options.language == AdapterLanguage::Italian &&
            chatter.starts_with("Server type"))
            continue; // the Italian adapter opened its log with that line
        Emit(chatter);
        Step(1);
    }
    Emit(kLcpStarted);
    Step(2);
    if (win98 && m_random.Chance(0.5)) {
        const std::int64_t dumps = m_random.Range(1, 3);
        for (std::int64_t i = 0; i < dumps; ++i) {
            Emit(kDumpStart, 0, ValueForm::Dump, static_cast<std::int32_t>(m_random.Next()));
            Step(1);
        }
    }
    Step(120);
    for (std::string_view chatter : NegotiationChatter()) {
        if (m_random.Chance(0.8)) {
            Emit(chatter);
            Step(10);
        }
    }
    Emit(p.lcpUp);
    Step(5);
    for (std::string_view chatter : AuthenticationChatter()) {
        Emit(chatter);
        Step(20);
    }
    const std::uint32_t address = m_pool | static_cast<std::uint32_t>(m_random.Range(2, 254) << 8) |
                                  static_cast<std::uint32_t>(m_random.Range(2, 254));
    Emit(p.ipcpStarted);
    EmitAddress(p.ipIs, 0);
    Step(15);
    EmitAddress(p.ipReceived, m_server);
    Step(40);
    EmitAddress(p.ipChanging, address);
    EmitAddress(p.ipIs, address);
    Step(10);
    Emit(p.ipcpUp);

    // Connection lengths from a minute to a few hours, most of them short.
    double seconds = std::exp(m_random.Uniform(std::log(60.0), std::log(4.0 * 3600.0)));
    seconds = std::max(1.0, std::min(seconds, slotSeconds * 0.6));
    const auto upCentis = m_nowCentis;
    const auto durationCentis = static_cast<std::int64_t>(seconds * kCentisPerSecond);
    if (m_random.Chance(0.2)) {
        const std::span<const std::string_view> chatter = SessionChatter();
        m_nowCentis += m_random.Range(0, durationCentis);
        Emit(chatter[static_cast<std::size_t>(
            m_random.Range(0, static_cast<std::int64_t>(chatter.size()) - 1))]);
    }
    m_nowCentis = std::max(m_nowCentis, upCentis + durationCentis);

    Emit(p.ipcpDown);
    Step(2);
    Emit(kCcpDown);
    Step(3);
    Emit(p.lcpDown);
    Step(5);
    Emit(p.shuttingDown);

    // A modem moves up to about 5 KB a second; most of the time the line idles.
    const double rate = m_random.Uniform(2500.0, 5200.0) * m_random.Uniform(0.05, 0.9);
    const double received = seconds * rate + m_random.Uniform(800.0, 4000.0);
    const double transmitted = received * m_random.Uniform(0.04, 0.25) + m_random.Uniform(300, 900);
    std::array<std::int32_t, kCounterCount> counts{};
    counts[kBytesReceived] = ClampToInt32(received);
    counts[kBytesTransmitted] = ClampToInt32(transmitted);
    counts[kFramesReceived] = ClampToInt32(received / m_random.Uniform(180.0, 900.0) + 12);
    counts[kFramesTransmitted] = ClampToInt32(transmitted / m_random.Uniform(60.0, 200.0) + 12);
    // Errors are rare; a noisy line shows a few, mostly CRC errors.
    for (int c = kCrcErrors; c <= kIncompletePackets; ++c) {
        const double chance = c == kCrcErrors ? 0.12 : 0.03;
        if (m_random.Chance(chance))
            counts[c] = static_cast<std::int32_t>(m_random.Range(1, c == kCrcErrors ? 40 : 6));
    }
    for (int c = 0; c < kCounterCount; ++c) {
        Step(1);
        Emit(p.counters[c].text, p.counters[c].code, ValueForm::Decimal, counts[c]);
    }
    Step(2);
    Emit(p.logClosed);
    m_lastEndCentis = m_nowCentis;
}

void PutDigits(std::string& out, std::int64_t value, int width)
{
    char digits[20];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value > 0 || n < width);
    while (n > 0)
        out.push_back(digits[--n]);
}

void PutHex(std::string& out, std::uint32_t value, bool upper, int width)
{
    const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char buffer[8];
    int n = 0;
    do {
        buffer[n++] = digits[value & 15u];
        value >>= 4;
    } while (value != 0 || n < width);
    while (n > 0)
        out.push_back(buffer[--n]);
}

// The time stamp is the same for many lines in a row; it is worked out once per second.
class StampCache {
public:
    std::string_view Stamp(DateTime time)
    {
        if (!m_valid || time.seconds != m_seconds) {
            const CivilTime c = ToCivil(time);
            m_text.clear();
            PutDigits(m_text, c.month, 2);
            m_text.push_back('-');
            PutDigits(m_text, c.day, 2);
            m_text.push_back('-');
            PutDigits(m_text, c.year, 4);
            m_text.push_back(' ');
            PutDigits(m_text, c.hour, 2);
            m_text.push_back(':');
            PutDigits(m_text, c.minute, 2);
            m_text.push_back(':');
            PutDigits(m_text, c.second, 2);
            m_text.push_back('.');
            m_seconds = time.seconds;
            m_valid = true;
        }
        return m_text;
    }

private:
    std::string m_text;
    std::int64_t m_seconds = 0;
    bool m_valid = false;
};

void AppendLine(std::string& out, StampCache& stamps, const GeneratedLine& line)
{
    out.append(stamps.Stamp(line.time));
    PutDigits(out, line.hundredths, 2);
    out.append(" - ");
    out.append(line.text);
    switch (line.form) {
    case ValueForm::None:
        break;
    case ValueForm::Decimal:
        out.push_back(' ');
        PutDigits(out, line.value, 1);
        break;
    case ValueForm::Hex:
        PutHex(out, static_cast<std::uint32_t>(line.value), true, 1);
        out.append(line.tail);
        break;
    case ValueForm::Dump: {
        // An LCP frame: address, control, protocol c021, then bytes drawn from the value.
        out.append(" ff 03 c0 21");
        Random bytes(static_cast<std::uint32_t>(line.value));
        for (int i = 0; i < 12; ++i) {
            out.push_back(' ');
            PutHex(out, static_cast<std::uint32_t>(bytes.Next() & 0xFF), false, 2);
        }
        break;
    }
    }
}

} // namespace

std::string FormatLine(const GeneratedLine& line)
{
    std::string out;
    StampCache stamps;
    AppendLine(out, stamps, line);
    return out;
}

std::int64_t GenerateLines(const GeneratorOptions& options,
                           const std::function<bool(const GeneratedLine&)>& visit)
{
    LineMaker maker(options, visit);
    return maker.Run();
}

bool GenerateLog(const GeneratorOptions& options, const ByteSink& sink, QString* error)
{
    // Output leaves in blocks of about a megabyte, so memory stays bounded for any size.
    constexpr std::size_t kBlock = 1 << 20;
    std::string buffer;
    buffer.reserve(kBlock + 4096);
    bool ok = true;
    const auto flush = [&] {
        if (!buffer.empty() && !sink(buffer))
            ok = false;
        buffer.clear();
        return ok;
    };

    if (options.format == OutputFormat::PppdSyslog) {
        GeneratePppdSyslog(options, [&](std::string_view line, DateTime, bool) {
            buffer.append(line);
            buffer.push_back('\n');
            return buffer.size() < kBlock || flush();
        });
        flush();
        if (!ok && error)
            *error = QStringLiteral("Cannot write the generated log");
        return ok;
    }
    StampCache stamps;
    const OutputFormat format = options.format;
    GenerateLines(options, [&](const GeneratedLine& line) {
        if (format == OutputFormat::SesLog) {
            if (line.code == 0)
                return true;
            const LogRecordBytes record = EncodeRecord(MakeEvent(line.time, line.code, line.value));
            buffer.append(reinterpret_cast<const char*>(record.data()), record.size());
        } else {
            if (format == OutputFormat::Dat)
                buffer.push_back('"');
            AppendLine(buffer, stamps, line);
            if (format == OutputFormat::Dat)
                buffer.push_back('"');
            buffer.append("\r\n");
        }
        return buffer.size() < kBlock || flush();
    });
    flush();
    if (!ok && error)
        *error = QStringLiteral("Cannot write the generated log");
    return ok;
}

bool GenerateLog(const GeneratorOptions& options, std::FILE* file, QString* error)
{
    const bool ok = GenerateLog(
        options,
        [file](std::string_view bytes) {
            return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        },
        error);
    return std::fflush(file) == 0 && ok;
}

} // namespace dialtally
