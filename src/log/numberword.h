#pragma once

#include <charconv>
#include <sstream>
#include <string>

namespace dialtally {

// Reads the next blank-separated word of a journal or state file as a whole number; false when
// there is none or it is not entirely a number of the type.
template <typename Number> bool ReadNumber(std::istringstream& in, Number& number)
{
    std::string word;
    if (!(in >> word))
        return false;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), number);
    return ec == std::errc() && end == word.data() + word.size();
}

} // namespace dialtally
