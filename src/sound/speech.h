#pragma once

#include <string>
#include <vector>

#include "base/local_time.h"

// The moment as the talking clock reads it: "YYYY年MM月DD日hh点mm分", always
// 17 characters, every number with leading zeros.
std::wstring SpeechText(const LocalTime& t);

// The recordings that announce t ("TODAY", "T2", ...), in playing order.
std::vector<std::string> ComposeSpeech(const LocalTime& t);
