#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Registry files written by hand for the tests, in the REGEDIT4 form of the system's registry
// editor.

inline QByteArray NetClassKey(const char* index, const QByteArray& values)
{
    return QByteArray("[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Class\\Net\\") +
           index + "]\r\n" + values + "\r\n";
}

// The dial-up adapter at index, with the logging value as written after "Logging"=.
inline QByteArray DialUpAdapter(const char* index, const QByteArray& logging)
{
    return NetClassKey(index, "\"DriverDesc\"=\"Dial-Up Adapter\"\r\n"
                              "\"DeviceVxDs\"=\"pppmac.vxd\"\r\n"
                              "\"Logging\"=" +
                                  logging + "\r\n");
}

inline QByteArray RegistryFileText(const QByteArray& keys)
{
    return "REGEDIT4\r\n\r\n" + keys;
}

inline bool WriteRegistryFile(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size();
}

inline QByteArray ReadRegistryFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
