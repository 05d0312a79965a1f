#pragma once

#include <string>
#include <string_view>

// The program's one way to tell the user something on standard error: "quorvel: <line>", written
// with a single write(2) straight away. It keeps no buffer and takes no lock, so it is safe from
// any thread, from a thread left behind in a stuck call, and while the process is ending.
void report(std::string_view line);

// The same, but only the first time this exact line comes up, so a broken clip dialled a thousand
// times says so once. Safe from any thread, and while the process is ending.
void reportOnce(const std::string& line);
