#include "board/board_line.h"

#include "board/dump_reader.h"

namespace korvalesen {

void SetUpBoardLine(TCustomComPort& port) {
  port.SetBaudRate(br9600);
  port.SetDataBits(db8);
  port.SetParity(paNone);
  port.SetStopBits(sb1);
  port.FlowControl().SetDTR(dcDisable);
  port.FlowControl().SetRTS(rcDisable);
  port.FlowControl().SetXOnXOff(xcDisable);
  port.BufferSizes().SetInput(static_cast<std::int32_t>(DumpBufferSize));
}

}  // namespace korvalesen
