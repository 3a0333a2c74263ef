#pragma once
// The "确定" / "取消" row every property dialog ends with, wired to the
// dialog's accept and reject.

#include <QDialog>
#include <QDialogButtonBox>

namespace velmora {

QDialogButtonBox* MakeOkCancelButtons(QDialog& dialog);

}  // namespace velmora
