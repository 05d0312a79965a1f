#pragma once

#include <string>
#include <string_view>

// Says "quorvel: <line>" on standard error with one write(2): no buffer and no lock, so it is safe
// from any thread, from one left behind in a stuck call, and while the process ends.
void report(std::string_view line);

// The same, once per distinct line: a broken clip dialled a thousand times is said once.
void reportOnce(const std::string& line);
