// One argument of a command line, written so that the C runtime's parser gives it back whole.
#pragma once

#include <string>

// The argument itself when it holds no blank, tab or quote and is not empty; else in quotes, with its
// quotes escaped and the backslashes before a quote (or before the closing quote) doubled.
std::string QuoteArgument(const std::string& argument);
