#include "log/loggersource.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace dialtally {
namespace {

const QString kFormatKey = QStringLiteral("Source/Format");
const QString kPathKey = QStringLiteral("Source/File");
const QString kLanguageKey = QStringLiteral("Source/Language");

} // namespace

std::optional<SourceFormat> ParseSourceFormat(const QString& name)
{
    if (name == QLatin1String("adapter"))
        return SourceFormat::Adapter;
    if (name == QLatin1String("pppd"))
        return SourceFormat::Pppd;
    return std::nullopt;
}

QString SourceFormatName(SourceFormat format)
{
    return format == SourceFormat::Pppd ? QStringLiteral("pppd") : QStringLiteral("adapter");
}

QString AdapterLanguageCode(AdapterLanguage language)
{
    switch (language) {
    case AdapterLanguage::Finnish:
        return QStringLiteral("fi");
    case AdapterLanguage::Dutch:
        return QStringLiteral("nl");
    case AdapterLanguage::Spanish:
        return QStringLiteral("es");
    case AdapterLanguage::Italian:
        return QStringLiteral("it");
    case AdapterLanguage::English:
        break;
    }
    return QStringLiteral("en");
}

QString LoggerSourceFile(const QString& windowsDir)
{
    return QDir(windowsDir).filePath(QStringLiteral("Dtallywr.ini"));
}

std::optional<LoggerSource> ReadLoggerSource(const QString& windowsDir, QString* error)
{
    const QString path = LoggerSourceFile(windowsDir);
    if (!QFileInfo::exists(path))
        return std::nullopt;
    QSettings file(path, QSettings::IniFormat);
    const auto fail = [&](const QString& why) -> std::optional<LoggerSource> {
        if (error)
            *error = QStringLiteral("\"%1\" %2").arg(path, why);
        return std::nullopt;
    };
    if (file.status() != QSettings::NoError)
        return fail(QStringLiteral("cannot be read"));
    LoggerSource source;
    const QString format = file.value(kFormatKey, QStringLiteral("adapter")).toString();
    const auto parsedFormat = ParseSourceFormat(format);
    if (!parsedFormat)
        return fail(QStringLiteral("names an unknown source format \"%1\"").arg(format));
    source.format = *parsedFormat;
    source.path = file.value(kPathKey).toString();
    const QString language = file.value(kLanguageKey, QStringLiteral("en")).toString();
    const auto parsedLanguage = ParseAdapterLanguage(language.toStdString());
    if (!parsedLanguage)
        return fail(QStringLiteral("names an unknown language \"%1\"").arg(language));
    source.language = *parsedLanguage;
    return source;
}

bool WriteLoggerSource(const QString& windowsDir, const LoggerSource& source, QString* error)
{
    const QString path = LoggerSourceFile(windowsDir);
    if (!QDir().mkpath(windowsDir)) {
        if (error)
            *error = QStringLiteral("cannot create the folder \"%1\"").arg(windowsDir);
        return false;
    }
    QSettings file(path, QSettings::IniFormat);
    file.clear();
    file.setValue(kFormatKey, SourceFormatName(source.format));
    if (!source.path.isEmpty())
        file.setValue(kPathKey, source.path);
    file.setValue(kLanguageKey, AdapterLanguageCode(source.language));
    file.sync();
    if (file.status() != QSettings::NoError) {
        if (error)
            *error = QStringLiteral("cannot write \"%1\"").arg(path);
        return false;
    }
    return true;
}

} // namespace dialtally
