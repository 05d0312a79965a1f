#pragma once

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

// Whether standard error, as captured, holds exactly one line and that line says `words`. Only
// the lines that begin with `among` count, where a library may add lines of its own.
inline testing::AssertionResult saysOneLine(const std::string& errors, const std::string& words,
                                            const std::string& among = "") {
    std::vector<std::string> counted;
    std::istringstream lines(errors);
    for (std::string line; std::getline(lines, line);)
        if (line.starts_with(among))
            counted.push_back(line);
    if (counted.size() == 1 && counted.front().find(words) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure()
           << counted.size() << " line(s) where one saying \"" << words << "\" was expected:\n"
           << errors;
}
