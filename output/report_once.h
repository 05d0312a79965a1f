#pragma once

#include <string>

// Writes "quorvel: <message>" on standard error the first time this exact message comes up, and
// stays quiet about it afterwards, so a broken clip dialled a thousand times says so once.
// Safe to call from any thread.
void reportOnce(const std::string& message);
