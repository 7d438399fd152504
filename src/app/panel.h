#pragma once

#include <span>
#include <string>

namespace panel {
// The number that the leading digits of a text spell; 0 when it has none.
long long LeadingNumber(const std::wstring& text);
// An hour or minute box is rejected when its value exceeds the limit and its
// text is not exactly two characters long.
bool TimeBoxRejected(const std::wstring& text, int limit);
// The control after `current` in tab order that can take the focus; the
// first one when `current` is not in the order.
int NextInTabOrder(std::span<const int> order, int current, bool backwards, bool (*canFocus)(int, void*),
                   void* context);
}  // namespace panel
