#include "control/adapterregistry.h"

#include <QtEndian>
#include <cctype>

namespace dialtally {
namespace {

const QString kLocalMachine = QStringLiteral("HKEY_LOCAL_MACHINE\\");
const QString kNetClass = QStringLiteral("System\\CurrentControlSet\\Services\\Class\\Net\\");
// The rights every key is opened with: query, set, create subkey, enumerate, notify, link.
constexpr std::uint32_t kAccess = kKeyQueryValue | kKeySetValue | kKeyCreateSubKey |
                                  kKeyEnumerateSubKeys | kKeyNotify | kKeyCreateLink;
constexpr long kFailed = -1;

// Opens key under HKEY_LOCAL_MACHINE and closes it again when it goes.
class OpenKey {
public:
    OpenKey(const QString& registryFile, const QString& path)
        : m_status(static_cast<long>(
              OpenRegistryKey(registryFile, kLocalMachine + path, kAccess, m_key)))
    {
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    ~OpenKey() { CloseRegistryKey(m_key); }

    long Status() const { return m_status; }
    const RegistryKey& Key() const { return m_key; }

private:
    RegistryKey m_key;
    long m_status;
};

} // namespace

long RegQueryValue(const RegistryKey& key, const QString& name, RegValue& value)
{
    RegistryValue stored;
    const RegistryStatus status = QueryRegistryValue(key, name, stored);
    if (status != RegistryStatus::Success)
        return kFailed;
    if (stored.type == RegistryType::String) {
        value = stored.data;
        return 0;
    }
    if (stored.type == RegistryType::Number && stored.data.size() == 4) {
        value = qFromLittleEndian<quint32>(stored.data.constData());
        return 0;
    }
    return kFailed;
}

long RegSetValue(const RegistryKey& key, const QString& name, RegValueType type,
                 const RegValue& value)
{
    RegistryValue stored;
    if (type == RegValueType::String && std::holds_alternative<QByteArray>(value))
        stored = RegistryValue::String(std::get<QByteArray>(value));
    else if (type == RegValueType::Number && std::holds_alternative<std::uint32_t>(value))
        stored = RegistryValue::Number(std::get<std::uint32_t>(value));
    else
        return kFailed;
    return static_cast<long>(SetRegistryValue(key, name, stored));
}

long RegReadValue(const QString& registryFile, const QString& keyPath, const QString& name,
                  RegValue& value)
{
    const OpenKey key(registryFile, keyPath);
    if (key.Status() != 0)
        return key.Status();
    return RegQueryValue(key.Key(), name, value);
}

long RegWriteValue(const QString& registryFile, const QString& keyPath, const QString& name,
                   const RegValue& value, RegValueType type)
{
    const OpenKey key(registryFile, keyPath);
    if (key.Status() != 0)
        return key.Status();
    return RegSetValue(key.Key(), name, type, value);
}

bool AdapterKeyMatches(const QString& registryFile, const QString& key, const QString& first,
                       const QString& second, const QByteArray& expected)
{
    const OpenKey open(registryFile, key);
    RegValue firstValue, secondValue;
    if (open.Status() != 0 || RegQueryValue(open.Key(), first, firstValue) != 0 ||
        RegQueryValue(open.Key(), second, secondValue) != 0)
        return false;
    const QByteArray* text = std::get_if<QByteArray>(&secondValue);
    return text && *text == expected + '\0';
}

QString FindAdapterKey(const QString& registryFile)
{
    for (int i = 0; i <= 9; ++i) {
        const QString key = kNetClass + QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        if (AdapterKeyMatches(registryFile, key, QStringLiteral("Logging"),
                              QStringLiteral("DeviceVxDs"), "pppmac.vxd"))
            return key;
    }
    return {};
}

bool SetAdapterLogging(const QString& registryFile, bool on)
{
    const QByteArray text = on ? "1" : "0";
    const QString key = FindAdapterKey(registryFile);
    if (key.isEmpty())
        return false;
    return RegWriteValue(registryFile, key, QStringLiteral("Logging"), text,
                         RegValueType::String) == 0;
}

double RegValueNumber(const RegValue& value)
{
    if (const auto* number = std::get_if<std::uint32_t>(&value))
        return *number;
    // The leading decimal number of the text, after blanks: "1", " 1", "1.0" and "1x" are 1.
    const QByteArray& text = std::get<QByteArray>(value);
    qsizetype begin = 0;
    while (begin < text.size() && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    qsizetype end = begin;
    if (end < text.size() && (text[end] == '+' || text[end] == '-'))
        ++end;
    bool point = false;
    while (end < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[end])) || (text[end] == '.' && !point))) {
        point = point || text[end] == '.';
        ++end;
    }
    bool ok = false;
    const double number = text.mid(begin, end - begin).toDouble(&ok);
    return ok ? number : 0.0;
}

} // namespace dialtally
