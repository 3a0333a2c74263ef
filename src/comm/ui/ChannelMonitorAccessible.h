#pragma once
// The channel monitor as assistive technology sees it: a table named like
// the pane, one row per channel in the order drawn (faults first when asked),
// one column per drawn column ("通道", "状态", "链路", "发/收", "失败", "重连",
// "时延ms", "P99ms", "上次应答", "最近错误"). Its children are the column
// headers and then the cells row by row, each cell's text the text drawn in
// it, so a screen reader can walk the table and a test can read any cell.
//
// Thread contract: UI thread.

namespace velmora {

// Makes Qt use the monitor's own accessible interface; once is enough.
void InstallChannelMonitorAccessible();

}  // namespace velmora
