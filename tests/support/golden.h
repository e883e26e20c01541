// Golden files under tests/data. With TAVRIK_ACCEPT=1 in the environment the
// tests write their golden files instead of comparing with them, and pass;
// the change is then reviewed in the diff.
#pragma once

#include <string>

// True under TAVRIK_ACCEPT=1.
bool Accepting();

// Compares bytes with the golden file tests/data/<relative>, or writes them
// there when accepting. A difference fails the test and shows where it starts.
void ExpectGolden(const std::string& relative, const std::string& bytes);
