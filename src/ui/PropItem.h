#pragma once
// One row of a property list (PropList): its editor kind, label and value
// text, and the rules that decide whether an edited text is accepted.
// Dialogs fill a list with these, let the user edit, and read the values back
// as text by position, converting them themselves.
//
// Convenience rows built on the basic kinds:
//  - Colour: a kind-5 row whose pop-up editor is the colour dialog. Its value
//    text is "#RRGGBB" (hexadecimal, red first, as QColor::name() writes it);
//    PropColourText and PropColourValue convert from and to a COLORREF
//    (0x00BBGGRR), so the red/blue order is swapped only there. The value cell
//    shows a swatch of the colour before the text.
//  - File name: a kind-7 row whose button opens a file dialog.
//  - Check: a kind-2 row with the two choices "是" and "否" (the yes/no rows of
//    the property sheets); PropCheckValue reads it back.
//
// Thread contract: UI thread.

#include <cstdint>
#include <functional>

#include <QString>
#include <QStringList>

class QWidget;

namespace velmora {

// Editor kinds.
inline constexpr int kPropCategory = 0;  // heading row, no editor
inline constexpr int kPropEdit = 1;      // edit box (text, or number when `numeric`)
inline constexpr int kPropList = 2;      // drop-down list, selection only
inline constexpr int kPropCombo = 3;     // drop-down combo, selection or free text
inline constexpr int kPropSpin = 4;      // number edit box with a spin control
inline constexpr int kPropPopup = 5;     // read-only text with a "..." button opening `editor`
inline constexpr int kPropInfo = 6;      // information row, no editor
inline constexpr int kPropButton = 7;    // edit box with a button beside it opening `editor`

// The longest value text a row holds, in characters.
inline constexpr int kPropValueMax = 255;

// A pop-up editor: runs modally over `parent`, starting from the row's value,
// and returns the text it produced, or an empty text when cancelled.
using PropPopupEditor = std::function<QString(QWidget* parent, const QString& current)>;

struct PropItem {
    int kind = kPropCategory;
    QString name;           // the label, first column
    QString value;          // the value text, second column
    bool numeric = false;   // kind 1: the text must be a number within [minimum, maximum]
    int maxLength = kPropValueMax + 1;  // kinds 1 and 7: accepted texts are shorter than this
    int maximum = 0;        // numeric kinds: upper bound
    int minimum = 0;        // numeric kinds: lower bound
    int delta = 1;          // kind 4: the change of one spin step
    QStringList choices;    // kinds 2 and 3: the drop-down entries
    PropPopupEditor editor; // kinds 5 and 7: what the button opens; kind 3: a button beside the drop-down when set
    // An extra condition a typed text must meet (for instance no characters a
    // file name cannot hold); empty = none.
    std::function<bool(const QString&)> accepts;
    bool swatch = false;    // draw the value as a colour ("#RRGGBB") swatch

    static PropItem Category(const QString& name);
    // Text row: accepted while shorter than `maxLength` characters.
    static PropItem Text(const QString& name, const QString& value, int maxLength = kPropValueMax + 1);
    // Numeric edit row: accepted when a number within [minimum, maximum].
    static PropItem Number(const QString& name, const QString& value, int minimum, int maximum);
    static PropItem Number(const QString& name, int value, int minimum, int maximum);
    static PropItem List(const QString& name, const QString& value, const QStringList& choices);
    static PropItem Combo(const QString& name, const QString& value, const QStringList& choices);
    static PropItem Spin(const QString& name, int value, int minimum, int maximum, int delta = 1);
    static PropItem Popup(const QString& name, const QString& value, PropPopupEditor editor);
    static PropItem Info(const QString& name, const QString& value);
    static PropItem Button(const QString& name, const QString& value, PropPopupEditor editor,
                           int maxLength = kPropValueMax + 1);

    // A colour row starting at `colorref` (0x00BBGGRR).
    static PropItem Colour(const QString& name, std::uint32_t colorref);
    // A file name row; the button opens an open-file dialog in `folder` (or in
    // the folder of the current value when that file exists) with the Qt name
    // filter `filter`, e.g. "CSV Files (*.csv)".
    static PropItem FileName(const QString& name, const QString& value, const QString& folder,
                             const QString& filter);
    static PropItem Check(const QString& name, bool value);
};

inline constexpr const char* kPropYes = "是";
inline constexpr const char* kPropNo = "否";

// "#RRGGBB" for a COLORREF.
QString PropColourText(std::uint32_t colorref);
// The COLORREF of a "#RRGGBB" text; false (and `colorref` untouched) when the
// text is no such colour.
bool PropColourValue(const QString& text, std::uint32_t* colorref);
// True for the text "是".
bool PropCheckValue(const QString& text);

}  // namespace velmora
