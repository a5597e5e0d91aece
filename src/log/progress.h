#pragma once

#include <QString>
#include <cstdint>

namespace dialtally {

// The one progress bar that every long operation reports to (the status line of the main window
// draws it). Operations take a pointer that may be null when nobody watches.
class ProgressBar {
public:
    virtual ~ProgressBar() = default;

    virtual std::int32_t Min() const = 0;
    virtual void SetMin(std::int32_t value) = 0;
    virtual std::int32_t Max() const = 0;
    virtual void SetMax(std::int32_t value) = 0;
    virtual std::int32_t Value() const = 0;
    // Kept between Min and Max.
    virtual void SetValue(std::int32_t value) = 0;
    virtual void SetText(const QString& text) = 0;
};

inline void AdvanceProgress(ProgressBar* bar, std::int32_t steps)
{
    if (bar)
        bar->SetValue(bar->Value() + steps);
}

} // namespace dialtally
