#pragma once
// When an edited text becomes a property row's value. Rejected input leaves
// the old value, without a message; these functions only decide.
//
// Lengths count characters (Unicode code points), not bytes of a code page.
// A numeric text must be a whole number text made of digits, "." and "-"
// (an empty text, "-" or "1-2" is refused, not read as 0 or 1); surrounding
// blanks are dropped first.
//
// Thread contract: plain functions; any thread.

#include <optional>

#include <QString>

#include "ui/PropItem.h"

namespace velmora {

// The value `typed` into the row's editor becomes, or nothing when refused.
std::optional<QString> AcceptTyped(const PropItem& item, const QString& typed);
// The value a pop-up editor's `result` becomes (kinds 3, 5 and 7), or nothing
// when refused: an empty result leaves the value.
std::optional<QString> AcceptPopupResult(const PropItem& item, const QString& result);
// The text a spin row shows after `steps` steps (negative: down) from
// `shown`, or nothing when the result would leave the bounds.
std::optional<QString> SpinStep(const PropItem& item, const QString& shown, int steps);

// True when `text` is a number within [minimum, maximum] by the rule above.
bool IsNumberWithin(const QString& text, int minimum, int maximum);
// The characters of `text`, counted as code points.
int CharacterCount(const QString& text);
// `text` cut to at most `count` characters.
QString CutToCharacters(const QString& text, int count);

}  // namespace velmora
