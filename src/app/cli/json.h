#pragma once

#include "log/datetime.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dialtally {

// JSON is written by hand so that the keys keep their order and a long list streams out.
class Json {
public:
    explicit Json(std::string& out) : m_out(out) {}

    Json& Key(std::string_view key)
    {
        m_out += m_first ? "{" : ", ";
        m_first = false;
        m_out += '"';
        m_out += key;
        m_out += "\": ";
        return *this;
    }
    void End() { m_out += m_first ? "{}" : "}"; }

    Json& Int(std::int64_t value)
    {
        char buffer[24];
        m_out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
        return *this;
    }
    Json& Number(std::optional<double> value)
    {
        if (!value || !std::isfinite(*value))
            return Null();
        // The shortest text that reads back as the same double: unrounded.
        char buffer[32];
        m_out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, *value).ptr);
        return *this;
    }
    Json& Bool(bool value)
    {
        m_out += value ? "true" : "false";
        return *this;
    }
    Json& Time(const std::optional<DateTime>& value)
    {
        if (!value)
            return Null();
        m_out += '"';
        m_out += FormatIsoDateTime(*value, 'T');
        m_out += '"';
        return *this;
    }
    Json& Text(const std::optional<std::string>& value)
    {
        if (!value)
            return Null();
        m_out += '"';
        for (const char ch : *value) {
            if (ch == '"' || ch == '\\')
                m_out += '\\';
            m_out += ch;
        }
        m_out += '"';
        return *this;
    }
    Json& Null()
    {
        m_out += "null";
        return *this;
    }

private:
    std::string& m_out;
    bool m_first = true;
};

} // namespace dialtally
