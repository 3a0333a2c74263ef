#include "ui/PropRules.h"

#include <cmath>
#include <limits>

namespace velmora {

namespace {

bool OnlyNumberCharacters(const QString& text) {
    for (const QChar c : text) {
        if (!c.isDigit() && c != u'.' && c != u'-') return false;
        if (c.unicode() > 0x7f) return false;  // other scripts' digits are not ours
    }
    return true;
}

std::optional<double> NumberOf(const QString& text) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() || !OnlyNumberCharacters(trimmed)) return std::nullopt;
    bool ok = false;
    const double value = trimmed.toDouble(&ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool WithinLength(const PropItem& item, const QString& text) {
    return CharacterCount(text) < item.maxLength && CharacterCount(text) <= kPropValueMax;
}

bool PassesExtra(const PropItem& item, const QString& text) { return !item.accepts || item.accepts(text); }

}  // namespace

int CharacterCount(const QString& text) {
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        ++count;
    }
    return count;
}

QString CutToCharacters(const QString& text, int count) {
    int seen = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (seen == count) return text.left(i);
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
        ++seen;
    }
    return text;
}

bool IsNumberWithin(const QString& text, int minimum, int maximum) {
    const std::optional<double> value = NumberOf(text);
    return value && *value >= minimum && *value <= maximum;
}

std::optional<QString> AcceptTyped(const PropItem& item, const QString& typed) {
    std::optional<QString> accepted;
    switch (item.kind) {
        case kPropEdit:
            if (item.numeric) {
                if (IsNumberWithin(typed, item.minimum, item.maximum)) accepted = typed.trimmed();
            } else if (WithinLength(item, typed)) {
                accepted = typed;
            }
            break;
        case kPropSpin:
            if (IsNumberWithin(typed, item.minimum, item.maximum)) accepted = typed.trimmed();
            break;
        case kPropList:
            if (!typed.isEmpty() && item.choices.contains(typed)) accepted = typed;
            break;
        case kPropCombo:
            accepted = CutToCharacters(typed, kPropValueMax);
            break;
        case kPropButton:
            if (WithinLength(item, typed)) accepted = typed;
            break;
        default:  // headings, information rows and pop-up rows take no typing
            break;
    }
    if (accepted && !PassesExtra(item, *accepted)) accepted.reset();
    return accepted;
}

std::optional<QString> AcceptPopupResult(const PropItem& item, const QString& result) {
    if (result.isEmpty()) return std::nullopt;
    if (item.kind == kPropPopup) {
        const QString cut = CutToCharacters(result, kPropValueMax);
        if (!PassesExtra(item, cut)) return std::nullopt;
        return cut;
    }
    if (item.kind == kPropButton || item.kind == kPropCombo) return AcceptTyped(item, result);
    return std::nullopt;
}

std::optional<QString> SpinStep(const PropItem& item, const QString& shown, int steps) {
    std::optional<double> base = NumberOf(shown);
    if (!base) base = NumberOf(item.value);
    if (!base) return std::nullopt;
    // The integer value of the text, as a decimal conversion would read it.
    const double whole = std::trunc(*base);
    const double next = whole + static_cast<double>(item.delta) * steps;
    if (next < item.minimum || next > item.maximum) return std::nullopt;
    return QString::number(static_cast<long long>(next));
}

}  // namespace velmora
