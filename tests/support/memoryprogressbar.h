#pragma once

#include "log/progress.h"

#include <algorithm>

namespace dialtally {

// A progress bar that only remembers its numbers, for tests of the operations that report.
class MemoryProgressBar : public ProgressBar {
public:
    std::int32_t Min() const override { return m_min; }
    void SetMin(std::int32_t value) override { m_min = value; }
    std::int32_t Max() const override { return m_max; }
    void SetMax(std::int32_t value) override { m_max = value; }
    std::int32_t Value() const override { return m_value; }
    void SetValue(std::int32_t value) override { m_value = std::clamp(value, m_min, m_max); }
    void SetText(const QString&) override {}

private:
    std::int32_t m_min = 0, m_max = 0, m_value = 0;
};

} // namespace dialtally
