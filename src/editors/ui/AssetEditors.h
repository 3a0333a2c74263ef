#pragma once
// Opens the editor of an asset a block or a sheet names: the motor program
// editor, the frame animation editor or the colour editor, modal over
// `parent`, on the file `fileName` of the workspace's folder of that kind.
// Every save reaches the asset caches and the open show at once
// (Runtime::AssetFileSaved), so a block plays what was saved without a
// restart. The result is the file name the editor ends with (the one opened
// or saved last, else the one given), whether or not it saved: closing an
// editor does not save.
//
// Thread contract: UI thread.

#include <string>

#include <QString>

#include "check/AssetProbe.h"
#include "ui/PropItem.h"

class QWidget;

namespace velmora {

struct DesktopContext;

std::string EditAsset(DesktopContext& context, AssetKind kind, const std::string& fileName, QWidget* parent);

// A picker row of a property list: a drop-down of the folder's files of
// that kind (a name may also be typed) with a button that opens the editor
// on the row's file; the row takes the name the editor ends with.
PropItem AssetPickerRow(DesktopContext& context, AssetKind kind, const QString& label, const QString& current);

// The workspace folder the assets of `kind` live in ("motor", "Frame", "Color", "512Light").
const char* AssetFolderName(AssetKind kind);

}  // namespace velmora
