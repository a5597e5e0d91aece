#include "log/pppddelivery.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace dialtally {
namespace {

void PutTwo(std::string& out, int value)
{
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

std::int32_t Clamped(std::uint64_t count, bool& clamped)
{
    if (count <= kMaxLoggedBytes)
        return static_cast<std::int32_t>(count);
    clamped = true;
    return static_cast<std::int32_t>(kMaxLoggedBytes);
}

void AddField(std::string& fields, DateTime time, std::string_view message)
{
    fields += '"';
    fields += AdapterLineText(time, message);
    fields += "\"\r\n";
}

void AddCounter(std::string& fields, DateTime time, const Phrase& phrase, std::int32_t count)
{
    std::string message(phrase.text);
    message += ' ';
    message += std::to_string(count);
    AddField(fields, time, message);
}

} // namespace

std::string ClampedBytesWarning()
{
    return "a connection moved more than " + std::to_string(kMaxLoggedBytes) +
           " bytes, more than the session log can hold; its count is written as " +
           std::to_string(kMaxLoggedBytes);
}

std::string AdapterLineText(DateTime time, std::string_view message)
{
    const CivilTime c = ToCivil(time);
    std::string line;
    line.reserve(25 + message.size());
    PutTwo(line, c.month);
    line += '-';
    PutTwo(line, c.day);
    line += '-';
    PutTwo(line, c.year / 100);
    PutTwo(line, c.year);
    line += ' ';
    PutTwo(line, c.hour);
    line += ':';
    PutTwo(line, c.minute);
    line += ':';
    PutTwo(line, c.second);
    line += ".00 - ";
    line += message;
    return line;
}

Delivery DeliveryOf(const PppdConnection& connection, const AdapterWording& wording, bool* clamped)
{
    const bool win98 = wording.dialect == Dialect::Windows98;
    const PhraseSet& phrases = Phrases(win98 ? 2 : 1, wording.language);
    Delivery delivery;
    delivery.key = {connection.pid, connection.up, connection.down};
    delivery.up = connection.up;
    std::string& fields = delivery.fields;
    // A clock set back (the end of summer time in a traditional syslog) can end a connection
    // before it began; the session is then one of no length, not of a negative one.
    const DateTime down = std::max(connection.down, connection.up);
    AddField(fields, connection.up, (win98 ? phrases.logOpened : phrases.ipcpStarted).text);
    bool over = false;
    if (connection.received)
        AddCounter(fields, down, phrases.counters[kBytesReceived],
                   Clamped(*connection.received, over));
    if (connection.sent)
        AddCounter(fields, down, phrases.counters[kBytesTransmitted],
                   Clamped(*connection.sent, over));
    AddField(fields, down, phrases.logClosed.text);
    if (clamped)
        *clamped = over;
    return delivery;
}

bool PrepareBatch(const HandoverFiles& files, Ledger& ledger, std::span<const Delivery> deliveries,
                  BatchTexts& texts, std::string* problem)
{
    texts = BatchTexts();
    if (!ledger.Refresh(files.ledger, problem))
        return false;
    std::vector<LedgerEntry> accepted;
    for (const Delivery& delivery : deliveries) {
        const bool inBatch = std::any_of(accepted.begin(), accepted.end(), [&](const auto& entry) {
            return SameConnection(entry, delivery.key);
        });
        if (inBatch || ledger.Holds(delivery.key)) {
            ++texts.already;
            continue;
        }
        accepted.push_back(delivery.key);
        texts.data += delivery.fields;
        texts.ledger += LedgerLine(delivery.key);
        ++texts.connections;
    }
    return true;
}

bool DeliverConnections(const HandoverFiles& files, Ledger& ledger,
                        std::span<const Delivery> deliveries, std::chrono::milliseconds lockWait,
                        BatchTexts* done, std::string* problem)
{
    HandoverLock dataLock;
    if (!dataLock.Acquire(files.lock, HandoverLockKind::Data, lockWait)) {
        if (problem)
            *problem =
                errno == EWOULDBLOCK
                    ? "the data lock of \"" + files.data + "\" is held for long"
                    : "cannot open the lock file \"" + files.lock + "\": " + std::strerror(errno);
        return false;
    }
    if (!SettleUnconfirmedBatch(files, nullptr, problem))
        return false;
    BatchTexts texts;
    if (!PrepareBatch(files, ledger, deliveries, texts, problem))
        return false;
    if (done)
        *done = texts;
    if (texts.connections == 0)
        return true;
    // The place that the position file keeps belongs to the logger that follows a source; this
    // batch leaves it as it is.
    const std::optional<LoggerPosition> position = ReadLoggerPosition(files.position);
    const SourcePlace kept = position ? position->source : SourcePlace();
    off_t cut = 0;
    bool mustSettle = false;
    return AppendBatch(files, texts.data, texts.ledger, kept, kept, &cut, &mustSettle, problem);
}

PppdDeliverer::PppdDeliverer(HandoverFiles files, AdapterWording wording, Reporter report)
    : m_files(std::move(files)), m_wording(wording), m_report(std::move(report))
{
}

void PppdDeliverer::Add(std::span<const PppdConnection> connections)
{
    for (const PppdConnection& connection : connections) {
        bool clamped = false;
        m_pending.push_back(DeliveryOf(connection, m_wording, &clamped));
        if (clamped && !m_clampTold && m_report) {
            m_report(ClampedBytesWarning());
            m_clampTold = true;
        }
    }
}

bool PppdDeliverer::Flush(std::chrono::milliseconds lockWait, std::string* problem)
{
    if (m_pending.empty())
        return true;
    std::stable_sort(m_pending.begin(), m_pending.end(),
                     [](const Delivery& a, const Delivery& b) { return a.up < b.up; });
    BatchTexts done;
    if (!DeliverConnections(m_files, m_ledger, m_pending, lockWait, &done, problem))
        return false;
    m_delivered += done.connections;
    m_already += done.already;
    m_pending.clear();
    return true;
}

} // namespace dialtally

namespace dialtally {

DateTime LocalNow()
{
    return SystemLocalTime(static_cast<std::int64_t>(std::time(nullptr)));
}

PppdSourceTranslator::PppdSourceTranslator(AdapterWording wording, Clock clock, Reporter report,
                                           LocalTimeOf localTime)
    : m_wording(wording), m_clock(std::move(clock)), m_report(std::move(report)),
      m_translator(std::move(localTime))
{
    BeginReading();
}

void PppdSourceTranslator::BeginReading()
{
    const DateTime now = m_clock();
    m_times = {now, now};
}

void PppdSourceTranslator::Take(std::string_view line, std::int64_t mark)
{
    m_translator.Take(line, mark, m_times);
}

void PppdSourceTranslator::TakeReady(std::vector<Delivery>& out)
{
    for (const PppdConnection& connection : m_translator.TakeComplete()) {
        bool clamped = false;
        out.push_back(DeliveryOf(connection, m_wording, &clamped));
        if (clamped && !m_clampTold && m_report) {
            m_report(ClampedBytesWarning());
            m_clampTold = true;
        }
    }
}

std::optional<std::int64_t> PppdSourceTranslator::EarliestOpenMark() const
{
    return m_translator.EarliestOpenMark();
}

} // namespace dialtally
